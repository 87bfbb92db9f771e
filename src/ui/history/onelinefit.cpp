#include "history/onelinefit.h"

namespace tovik {

namespace {

bool isWideCJK(char16_t c)
{
    return (c >= 0x3000 && c <= 0x303F)     // CJK punctuation
        || (c >= 0x3400 && c <= 0x4DBF)     // ideographs, extension A
        || (c >= 0x4E00 && c <= 0x9FFF)     // unified ideographs
        || (c >= 0xFF01 && c <= 0xFF60);    // full-width forms
}

// The sum is trusted this far from the width. Kerning takes a line of capitals such as
// "TyYAWa" a tenth or more below its sum; it rarely adds anything.
constexpr qreal marginBelow = 0.08;
constexpr qreal marginAbove = 0.25;

} // namespace

OneLineFit::OneLineFit(const QFont &font)
    : m_metrics(font)
{
    for (int c = 0x20; c < 0x100; ++c)
        m_latin[std::size_t(c)] = m_metrics.horizontalAdvance(QChar(c));
    m_latin['\n'] = m_latin[' '];
    m_ideograph = m_metrics.horizontalAdvance(QChar(0x9810)); // 預
}

bool OneLineFit::fitsExactly(const QString &text, int width) const
{
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return m_metrics.horizontalAdvance(flat) <= width;
}

bool OneLineFit::fits(const QString &text, int width) const
{
    if (text.size() > width) // no character is narrower than a pixel
        return false;
    qreal sum = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if ((unit >= 0x20 && unit < 0x7F) || (unit >= 0xA0 && unit < 0x100) || unit == '\n')
            sum += m_latin[unit];
        else if (isWideCJK(unit))
            sum += m_ideograph;
        else
            return fitsExactly(text, width);
    }
    if (sum <= width * (1 - marginBelow))
        return true;
    if (sum > width * (1 + marginAbove))
        return false;
    return fitsExactly(text, width);
}

} // namespace tovik
