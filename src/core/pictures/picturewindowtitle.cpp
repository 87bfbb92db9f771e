#include "pictures/picturewindowtitle.h"

#include "i18n/translate.h"

namespace tovik {

QString pictureWindowTitle(const QString &caption, qsizetype index, qsizetype count)
{
    if (count <= 1)
        return caption.isEmpty() ? translate(QStringLiteral("Open Image")) : caption;
    const QString item = translated(QStringLiteral("Image {number}"), {{QStringLiteral("number"), QString::number(index + 1)}});
    return caption.isEmpty() ? item : caption + QStringLiteral(" \u2014 ") + item;
}

} // namespace tovik
