#pragma once

#include "preview/renderedpage.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace tovik {

// One cited file in the sidebar: where it was found, or why it can't be previewed
// (already translated), and the cited pages rendered so far in answer order. Its
// identity is the filename.
struct CitedDocument
{
    QString filename;
    std::optional<QString> sourcePath;
    std::optional<QString> problem;
    QList<RenderedPage> pages;

    friend bool operator==(const CitedDocument &, const CitedDocument &) = default;
};

} // namespace tovik

Q_DECLARE_METATYPE(tovik::CitedDocument)
