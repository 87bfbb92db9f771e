#include "truthpages.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <vector>

namespace bench {

namespace {

const QString english = QStringLiteral(
    "Revenue rose 18 percent to NT$ 96 million in 2023. Online sales grew fastest, up 42 percent, and now make up a "
    "third of revenue. The Da'an shop remained the largest store. The Tamsui shop lost money during its renovation "
    "from May to August, when it was closed. Staff numbers rose from 41 to 47, most of them in the roastery. The "
    "board proposes a dividend of NT$ 2.50 a share, paid in July. Typhoons can damage the tea gardens in Nantou; the "
    "company insures its harvest and keeps four months of stock in the Keelung warehouse. Prices of green beans fell "
    "in the second half of the year, which lifted the gross margin by three points.");
const QString chinese = QStringLiteral(
    "本公司二〇二三年營收成長百分之十八，達新台幣九千六百萬元。網路銷售成長最快，增加百分之四十二，目前占營收三分之一。"
    "大安門市仍是最大的門市。淡水門市於五月至八月整修期間暫停營業，因此出現虧損。員工人數由四十一人增至四十七人，"
    "多數在烘焙廠。董事會建議每股配發現金股利二點五元，於七月發放。颱風可能損害南投的茶園，本公司為收成投保，"
    "並在基隆倉庫保留四個月的庫存。");
const QString mixed = QStringLiteral(
    "The 基隆 warehouse closes for a fire safety inspection on 14 March 2024.\n"
    "倉庫盤點將於三月十五日完成，Orders placed that week ship from the 南投 plant.\n"
    "Online sales 網路銷售 grew 42 percent; the Tamsui 淡水 shop reopened in September.\n"
    "董事會 proposes a dividend of NT$ 2.50 per share, 於七月發放。\n"
    "Green bean prices 生豆價格 fell in the second half of the year.\n"
    "Staff numbers rose from 41 to 47, 多數在烘焙廠 (the roastery).");

// Draws `text` into `box`, wrapped at word boundaries (any character for Chinese), and
// returns the lines as drawn.
QStringList drawWrapped(QPainter &painter, const QRectF &box, const QString &text, qreal lineHeight)
{
    QStringList drawn;
    const QFontMetricsF metrics(painter.font());
    qreal y = box.top() + metrics.ascent();
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        const auto flush = [&] {
            painter.drawText(QPointF(box.left(), y), line);
            drawn.append(line);
            line.clear();
            y += lineHeight;
        };
        qsizetype i = 0;
        while (i < paragraph.size()) {
            // The next unit: a word with its space, or one Chinese character.
            qsizetype end = i + 1;
            if (paragraph[i].unicode() < 0x2E80) {
                while (end < paragraph.size() && paragraph[end] != QLatin1Char(' ') && paragraph[end].unicode() < 0x2E80)
                    ++end;
                if (end < paragraph.size() && paragraph[end] == QLatin1Char(' '))
                    ++end;
            }
            const QString unit = paragraph.mid(i, end - i);
            if (!line.isEmpty() && metrics.horizontalAdvance(line + unit.trimmed()) > box.width())
                flush();
            line += unit;
            i = end;
        }
        if (!line.isEmpty())
            flush();
    }
    return drawn;
}

struct Canvas
{
    QImage image;
    qreal scale; // pixels per point
};

Canvas letter(int dpi)
{
    Canvas canvas{QImage(qRound(8.5 * dpi), qRound(11.0 * dpi), QImage::Format_RGB32), dpi / 72.0};
    canvas.image.fill(Qt::white);
    canvas.image.setDotsPerMeterX(qRound(dpi / 0.0254));
    canvas.image.setDotsPerMeterY(qRound(dpi / 0.0254));
    return canvas;
}

QFont pageFont(qreal scale)
{
    QFont font(QStringLiteral("Noto Sans CJK TC"));
    font.setPixelSize(qRound(10.5 * scale));
    return font;
}

TruthPage textPage(const QString &name, const QString &text, int dpi, int columns)
{
    Canvas canvas = letter(dpi);
    QPainter painter(&canvas.image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    painter.setFont(pageFont(canvas.scale));
    const qreal margin = 72 * canvas.scale;
    const qreal gap = 24 * canvas.scale;
    const qreal width = (canvas.image.width() - 2 * margin - (columns - 1) * gap) / columns;
    QStringList lines;
    for (int column = 0; column < columns; ++column) {
        const QRectF box(margin + column * (width + gap), margin, width, canvas.image.height() - 2 * margin);
        lines += drawWrapped(painter, box, text, 16 * canvas.scale);
    }
    return {name + QStringLiteral(" %1dpi").arg(dpi), canvas.image, lines.join(QLatin1Char('\n'))};
}

TruthPage tablePage(int dpi)
{
    Canvas canvas = letter(dpi);
    QPainter painter(&canvas.image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(pageFont(canvas.scale));
    const QStringList header{QStringLiteral("Shop"), QStringLiteral("Q1"), QStringLiteral("Q2"), QStringLiteral("Q3"),
                             QStringLiteral("Q4"), QStringLiteral("Total")};
    const QList<QStringList> rows{
        header,
        {QStringLiteral("Da'an 大安"), QStringLiteral("8.1"), QStringLiteral("8.6"), QStringLiteral("9.4"), QStringLiteral("10.2"), QStringLiteral("36.3")},
        {QStringLiteral("Tamsui 淡水"), QStringLiteral("4.2"), QStringLiteral("1.1"), QStringLiteral("0.9"), QStringLiteral("4.8"), QStringLiteral("11.0")},
        {QStringLiteral("Online 網路"), QStringLiteral("6.7"), QStringLiteral("7.9"), QStringLiteral("8.8"), QStringLiteral("10.6"), QStringLiteral("34.0")},
        {QStringLiteral("Wholesale"), QStringLiteral("3.0"), QStringLiteral("3.4"), QStringLiteral("3.9"), QStringLiteral("4.4"), QStringLiteral("14.7")},
        {QStringLiteral("Total 合計"), QStringLiteral("22.0"), QStringLiteral("21.0"), QStringLiteral("23.0"), QStringLiteral("30.0"), QStringLiteral("96.0")},
    };
    const qreal margin = 72 * canvas.scale;
    const qreal cellWidth = (canvas.image.width() - 2 * margin) / header.size();
    const qreal cellHeight = 26 * canvas.scale;
    QStringList truth;
    painter.setPen(QPen(Qt::black, std::max(1.0, canvas.scale * 0.6)));
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column) {
            const QRectF cell(margin + column * cellWidth, margin + row * cellHeight, cellWidth, cellHeight);
            painter.drawRect(cell);
            painter.drawText(cell.adjusted(6 * canvas.scale, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, rows[row][column]);
        }
        truth.append(rows[row].join(QLatin1Char(' ')));
    }
    return {QStringLiteral("table %1dpi").arg(dpi), canvas.image, truth.join(QLatin1Char('\n'))};
}

// A poor scan: turned by 0.7 degrees, with one pixel in 60 flipped to grey speckle.
TruthPage degraded(const TruthPage &page)
{
    QImage turned = page.image.transformed(QTransform().rotate(0.7), Qt::SmoothTransformation);
    QImage scan(turned.size(), QImage::Format_RGB32);
    scan.fill(Qt::white);
    QPainter painter(&scan);
    painter.drawImage(0, 0, turned);
    painter.end();
    QRandomGenerator random(7);
    const qsizetype specks = qsizetype(scan.width()) * scan.height() / 60;
    for (qsizetype i = 0; i < specks; ++i) {
        const int x = random.bounded(scan.width());
        const int y = random.bounded(scan.height());
        const int grey = random.bounded(2) ? 90 : 200;
        scan.setPixel(x, y, qRgb(grey, grey, grey));
    }
    scan.setDotsPerMeterX(page.image.dotsPerMeterX());
    scan.setDotsPerMeterY(page.image.dotsPerMeterY());
    return {page.name + QStringLiteral(" scanned"), scan, page.truth};
}

QString withoutSpace(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace())
            out.append(c);
    }
    return out;
}

} // namespace

QList<TruthPage> truthPages()
{
    QList<TruthPage> pages;
    for (const int dpi : {150, 300}) {
        const QList<TruthPage> clean{textPage(QStringLiteral("english"), english, dpi, 1),
                                     textPage(QStringLiteral("chinese"), chinese, dpi, 1),
                                     textPage(QStringLiteral("mixed"), mixed, dpi, 1), tablePage(dpi),
                                     textPage(QStringLiteral("two columns"), english + QLatin1Char(' ') + english, dpi, 2)};
        for (const TruthPage &page : clean) {
            pages.append(page);
            pages.append(degraded(page));
        }
    }
    return pages;
}

double characterErrorRate(const QString &recognized, const QString &truth)
{
    const QString a = withoutSpace(recognized);
    const QString b = withoutSpace(truth);
    if (b.isEmpty())
        return a.isEmpty() ? 0.0 : 1.0;
    std::vector<int> previous(std::size_t(b.size()) + 1);
    std::vector<int> current(previous.size());
    for (std::size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitution = previous[std::size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[std::size_t(j)] = std::min({previous[std::size_t(j)] + 1, current[std::size_t(j - 1)] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return double(previous[std::size_t(b.size())]) / double(b.size());
}

} // namespace bench
