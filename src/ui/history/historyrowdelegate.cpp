#include "history/historyrowdelegate.h"

#include "history/historylistmodel.h"
#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "widgets/readablecolors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <iterator>

namespace tovik {

namespace {
constexpr int rowGap = 4;        // between rows
constexpr int checkTop = 8;
constexpr int columnGap = 6;     // between the tick box and the content
constexpr int padH = 8;
constexpr int padV = 6;
constexpr int lineGap = 3;

QFont captionFont(const QFont &base)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

// Lays `text` out in `lineCount` lines of `width`, eliding the last one. Only the start
// of a long text is laid out: the lines can't hold more.
QStringList wrapLines(const QString &text, const QFont &font, int width, int lineCount)
{
    const qsizetype shown = std::min<qsizetype>(text.size(), qsizetype(lineCount) * std::max(width, 1) + 16);
    QString flat = text.first(shown);
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool cut = shown < text.size();
    QStringList lines;
    QTextLayout layout(flat, font);
    layout.beginLayout();
    const QFontMetrics metrics(font);
    while (lines.size() < lineCount) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const bool last = lines.size() == lineCount - 1;
        if (last && (cut || line.textStart() + line.textLength() < flat.size())) {
            QString rest = flat.mid(line.textStart());
            if (cut)
                rest += QChar(0x2026); // elided even when the start fits
            lines.append(metrics.elidedText(rest, Qt::ElideRight, width));
        } else {
            lines.append(flat.mid(line.textStart(), line.textLength()).trimmed());
        }
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines.append(QString());
    return lines;
}

QString answerText(const QModelIndex &index)
{
    const QString answer = index.data(HistoryListModel::AnswerRole).toString();
    return answer.isEmpty() ? translate(QStringLiteral("No answer yet")) : answer;
}

int textWidthOf(int rowWidth)
{
    return std::max(120, rowWidth) - HistoryRowDelegate::checkSize - 2 - columnGap - 2 * padH;
}
} // namespace

HistoryRowDelegate::HistoryRowDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QRect HistoryRowDelegate::checkBoxRect(const QRect &rowRect)
{
    return QRect(rowRect.left() + 2, rowRect.top() + checkTop, checkSize, checkSize);
}

HistoryRowDelegate::Lines HistoryRowDelegate::linesOf(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // A list of many thousand rows asks for every row's size whenever it is laid out
    // again; each record's line counts are kept for the fonts in use and the last few
    // widths (the view asks at its own width and, now and then, at none).
    const int textWidth = textWidthOf(option.rect.width());
    const AppLanguage language = InterfaceLanguage::shared().language(); // "No answer yet" follows it
    if (option.font != m_linesFont || language != m_linesLanguage || !m_bodyFit) {
        m_lines.clear();
        m_linesFont = option.font;
        m_linesLanguage = language;
        m_bodyFit.emplace(option.font);
        m_captionFit.emplace(captionFont(option.font));
    }
    auto cache = std::find_if(m_lines.begin(), m_lines.end(),
                              [textWidth](const LinesAtWidth &kept) { return kept.width == textWidth; });
    if (cache == m_lines.end()) {
        if (m_lines.size() >= keptWidths)
            m_lines.erase(m_lines.begin());
        m_lines.push_back({textWidth, {}});
        cache = std::prev(m_lines.end());
    }
    const qint64 id = index.data(HistoryListModel::RecordIdRole).toLongLong();
    if (const auto known = cache->lines.constFind(id); known != cache->lines.cend())
        return *known;
    // No character is narrower than a pixel: an answer longer than the width takes two
    // lines, and a long history is measured without unpacking its answers.
    const bool answerFits = index.data(HistoryListModel::AnswerLengthRole).toLongLong() <= textWidth
        && m_captionFit->fits(answerText(index), textWidth);
    const Lines lines{quint8(m_bodyFit->fits(index.data(HistoryListModel::QuestionRole).toString(), textWidth) ? 1 : 2),
                      quint8(answerFits ? 1 : 2)};
    cache->lines.insert(id, lines);
    return lines;
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Lines lines = linesOf(option, index);
    const QFontMetrics body(option.font);
    const QFontMetrics caption(captionFont(option.font));
    const int height = 2 * padV + caption.height() + lineGap + lines.question * body.lineSpacing() + lineGap
        + lines.answer * caption.lineSpacing() + rowGap;
    return {std::max(120, option.rect.width()), height};
}

void HistoryRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect.adjusted(0, 0, 0, -rowGap);
    const QPalette &palette = option.palette;

    // Tick box.
    QStyleOptionButton check;
    check.rect = checkBoxRect(row);
    check.state = QStyle::State_Enabled
        | (index.data(HistoryListModel::SelectedRole).toBool() ? QStyle::State_On : QStyle::State_Off);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, widget);

    // Background by state: current, ticked, hovered, plain.
    const QRect content(check.rect.right() + 1 + columnGap, row.top(), row.right() - check.rect.right() - columnGap,
                        row.height());
    QColor fill;
    if (index.data(HistoryListModel::CurrentRole).toBool()) {
        fill = palette.color(QPalette::Highlight);
        fill.setAlphaF(0.18);
    } else if (index.data(HistoryListModel::SelectedRole).toBool()) {
        fill = palette.color(QPalette::Highlight);
        fill.setAlphaF(0.10);
    } else {
        fill = palette.color(QPalette::Text);
        fill.setAlphaF(index.data(HistoryListModel::HoveredRole).toBool() ? 0.08 : 0.04);
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(content), 8, 8);
    painter->fillPath(path, fill);

    // Saved time, question, answer.
    const QFont body = option.font;
    const QFont caption = captionFont(body);
    const int textWidth = content.width() - 2 * padH;
    int y = content.top() + padV;
    const int x = content.left() + padH;
    // Faded as far as the row's own background allows.
    const QColor secondary =
        secondaryTextColor(palette.color(QPalette::Text), composited(fill, palette.color(QPalette::Base)));

    painter->setFont(caption);
    painter->setPen(secondary);
    painter->drawText(QRect(x, y, textWidth, QFontMetrics(caption).height()), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(HistoryListModel::StampRole).toString());
    y += QFontMetrics(caption).height() + lineGap;

    painter->setFont(body);
    painter->setPen(palette.color(QPalette::Text));
    const Lines lines = linesOf(option, index);
    for (const QString &line : wrapLines(index.data(HistoryListModel::QuestionRole).toString(), body, textWidth,
                                         lines.question)) {
        painter->drawText(QRect(x, y, textWidth, QFontMetrics(body).lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                          line);
        y += QFontMetrics(body).lineSpacing();
    }
    y += lineGap;

    painter->setFont(caption);
    painter->setPen(secondary);
    for (const QString &line : wrapLines(answerText(index), caption, textWidth, lines.answer)) {
        painter->drawText(QRect(x, y, textWidth, QFontMetrics(caption).lineSpacing()),
                          Qt::AlignLeft | Qt::AlignVCenter, line);
        y += QFontMetrics(caption).lineSpacing();
    }
    painter->restore();
}

bool HistoryRowDelegate::editorEvent(QEvent *event, QAbstractItemModel *, const QStyleOptionViewItem &option,
                                     const QModelIndex &index)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return event->type() == QEvent::MouseButtonDblClick;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QRect row = option.rect.adjusted(0, 0, 0, -rowGap);
    if (checkBoxRect(row).adjusted(-2, -2, 2, 2).contains(mouse->position().toPoint()))
        Q_EMIT checkToggled(index);
    else if (row.contains(mouse->position().toPoint()))
        Q_EMIT rowActivated(index);
    return true;
}

} // namespace tovik
