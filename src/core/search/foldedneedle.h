#pragma once

#include <QByteArray>
#include <QString>

namespace tovik {

// A folded search text, also in UTF-8 for the saved texts kept in that form.
struct FoldedNeedle
{
    QString text;
    QByteArray utf8;

    explicit FoldedNeedle(QString folded)
        : text(std::move(folded))
        , utf8(text.toUtf8())
    {
    }
};

} // namespace tovik
