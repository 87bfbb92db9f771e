#pragma once

#include <QStyledItemDelegate>

namespace tovik {

// Paints one saved question: tick box, saved time, two lines of question, two lines of
// answer, on a rounded background that marks the current, ticked and hovered rows.
class HistoryRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryRowDelegate)

public:
    explicit HistoryRowDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The tick box of a row drawn in `rowRect`.
    static QRect checkBoxRect(const QRect &rowRect);

Q_SIGNALS:
    void checkToggled(const QModelIndex &index);
    void rowActivated(const QModelIndex &index);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};

} // namespace tovik
