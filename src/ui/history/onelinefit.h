#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <QStringView>

#include <array>

namespace tovik {

// Whether a text fits on one line of a given width in one font, with line breaks read
// as spaces. Latin and Chinese text is summed from a table of character widths; when the
// sum comes close to the width, from the widths of its words, each laid out once and
// kept (a history's questions share most of their words); the whole line is laid out
// only when that too comes within a pixel or two. Any other script is laid out.
class OneLineFit final
{
public:
    explicit OneLineFit(const QFont &font);

    bool fits(const QString &text, int width) const;
    // Laying the text out: the answer fits() must agree with.
    bool fitsExactly(const QString &text, int width) const;

private:
    // The width of a line laid out a word at a time, each word's width kept.
    qreal wordsAdvance(QStringView flat) const;

    QFontMetricsF m_metrics;
    std::array<qreal, 256> m_latin{};
    qreal m_ideograph = 0;
    mutable QHash<QString, qreal> m_words;
};

} // namespace tovik
