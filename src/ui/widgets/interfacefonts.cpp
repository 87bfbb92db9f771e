#include "widgets/interfacefonts.h"

#include <QApplication>
#include <QFontInfo>

namespace tovik {

QFont withChineseFallback(QFont font)
{
    const bool fixed = QFontInfo(font).fixedPitch();
    QStringList families = font.families();
    if (families.isEmpty())
        families.append(font.family());
    const QString chinese = QString::fromLatin1(fixed ? chineseMonoFamily : chineseSansFamily);
    if (!families.contains(chinese))
        families.append(chinese);
    font.setFamilies(families);
    return font;
}

void applyInterfaceFonts()
{
    QApplication::setFont(withChineseFallback(QApplication::font()));
}

} // namespace tovik
