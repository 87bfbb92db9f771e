#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <array>

namespace tovik {

// Whether a text fits on one line of a given width in one font, with line breaks read
// as spaces. Latin and Chinese text is summed from a table of character widths and laid
// out only when the sum comes close to the width; any other script is laid out.
class OneLineFit final
{
public:
    explicit OneLineFit(const QFont &font);

    bool fits(const QString &text, int width) const;
    // Laying the text out: the answer fits() must agree with.
    bool fitsExactly(const QString &text, int width) const;

private:
    QFontMetricsF m_metrics;
    std::array<qreal, 256> m_latin{};
    qreal m_ideograph = 0;
};

} // namespace tovik
