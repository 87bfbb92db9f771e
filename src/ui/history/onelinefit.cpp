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

// Words laid out apart add up to the line but for kerning across a space, which fonts
// hardly ever have: trusted this far from the width.
qreal wordsMargin(int width)
{
    return 2 + width * 0.015;
}

// Kept word widths; a long history of varied words starts the table afresh.
constexpr qsizetype keptWords = 50000;

// The text on one line: line breaks read as spaces.
QString flattened(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

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
    return m_metrics.horizontalAdvance(flattened(text)) <= width;
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
    const QString flat = flattened(text);
    const qreal words = wordsAdvance(flat);
    if (words <= width - wordsMargin(width))
        return true;
    if (words > width + wordsMargin(width))
        return false;
    return m_metrics.horizontalAdvance(flat) <= width;
}

qreal OneLineFit::wordsAdvance(QStringView flat) const
{
    if (m_words.size() > keptWords)
        m_words.clear();
    qreal sum = 0;
    qsizetype start = 0;
    while (start <= flat.size()) {
        qsizetype end = flat.indexOf(u' ', start);
        if (end < 0)
            end = flat.size();
        if (end > start) {
            const QStringView word = flat.sliced(start, end - start);
            // Looked up without copying; copied only when new.
            const QString key = QString::fromRawData(word.data(), word.size());
            auto known = m_words.constFind(key);
            if (known == m_words.cend())
                known = m_words.insert(word.toString(), m_metrics.horizontalAdvance(key));
            sum += *known;
        }
        if (end < flat.size())
            sum += m_latin[' '];
        start = end + 1;
    }
    return sum;
}

} // namespace tovik
