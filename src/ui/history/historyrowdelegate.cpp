#include "history/historyrowdelegate.h"

#include "history/historylistmodel.h"
#include "i18n/translate.h"
#include "widgets/readablecolors.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace tovik {

namespace {
constexpr int rowGap = 4;        // between rows
constexpr int checkSize = 16;
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

// Lays `text` out in at most `maxLines` lines of `width`, eliding the last one.
QStringList wrapLines(const QString &text, const QFont &font, int width, int maxLines)
{
    QStringList lines;
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QTextLayout layout(flat, font);
    layout.beginLayout();
    const QFontMetrics metrics(font);
    while (lines.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const QString piece = flat.mid(line.textStart(), line.textLength());
        if (lines.size() == maxLines - 1 && line.textStart() + line.textLength() < flat.size())
            lines.append(metrics.elidedText(flat.mid(line.textStart()), Qt::ElideRight, width));
        else
            lines.append(piece.trimmed());
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines.append(QString());
    return lines;
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

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int width = std::max(120, option.rect.width());
    const int textWidth = width - checkSize - 2 - columnGap - 2 * padH;
    const QFont body = option.font;
    const QFont caption = captionFont(body);
    const QString answer = index.data(HistoryListModel::AnswerRole).toString();
    const int questionLines = static_cast<int>(
        wrapLines(index.data(HistoryListModel::QuestionRole).toString(), body, textWidth, 2).size());
    const int answerLines = static_cast<int>(
        wrapLines(answer.isEmpty() ? translate(QStringLiteral("No answer yet")) : answer, caption, textWidth, 2).size());
    const int height = 2 * padV + QFontMetrics(caption).height() + lineGap
        + questionLines * QFontMetrics(body).lineSpacing() + lineGap
        + answerLines * QFontMetrics(caption).lineSpacing() + rowGap;
    return {width, height};
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
    for (const QString &line : wrapLines(index.data(HistoryListModel::QuestionRole).toString(), body, textWidth, 2)) {
        painter->drawText(QRect(x, y, textWidth, QFontMetrics(body).lineSpacing()), Qt::AlignLeft | Qt::AlignVCenter,
                          line);
        y += QFontMetrics(body).lineSpacing();
    }
    y += lineGap;

    const QString answer = index.data(HistoryListModel::AnswerRole).toString();
    painter->setFont(caption);
    painter->setPen(secondary);
    for (const QString &line :
         wrapLines(answer.isEmpty() ? translate(QStringLiteral("No answer yet")) : answer, caption, textWidth, 2)) {
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
