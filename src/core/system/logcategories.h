#pragma once

#include <QLoggingCategory>

// One logging category per subsystem. Each logs only warnings by default; a bug
// report's log comes from QT_LOGGING_RULES="tovik.*=true" (or "tovik.rag=true", ...).
namespace tovik {

Q_DECLARE_LOGGING_CATEGORY(lcRag)         // "tovik.rag": rag runs, their commands and exit statuses
Q_DECLARE_LOGGING_CATEGORY(lcPreview)     // "tovik.preview": document preview loads
Q_DECLARE_LOGGING_CATEGORY(lcOcr)         // "tovik.ocr": text recognition of pages
Q_DECLARE_LOGGING_CATEGORY(lcHistory)     // "tovik.history": the history store
Q_DECLARE_LOGGING_CATEGORY(lcModelServer) // "tovik.modelserver": the local model server
Q_DECLARE_LOGGING_CATEGORY(lcInstance)    // "tovik.instance": hand-over to the running instance

} // namespace tovik
