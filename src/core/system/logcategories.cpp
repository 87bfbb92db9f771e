#include "system/logcategories.h"

namespace tovik {

Q_LOGGING_CATEGORY(lcRag, "tovik.rag", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPreview, "tovik.preview", QtWarningMsg)
Q_LOGGING_CATEGORY(lcOcr, "tovik.ocr", QtWarningMsg)
Q_LOGGING_CATEGORY(lcHistory, "tovik.history", QtWarningMsg)
Q_LOGGING_CATEGORY(lcModelServer, "tovik.modelserver", QtWarningMsg)
Q_LOGGING_CATEGORY(lcInstance, "tovik.instance", QtWarningMsg)

} // namespace tovik
