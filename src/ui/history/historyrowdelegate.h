#pragma once

#include "history/onelinefit.h"
#include "i18n/interfacelanguage.h"

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

#include <optional>
#include <vector>

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

    static constexpr int checkSize = 16;

    // The tick box of a row drawn in `rowRect`.
    static QRect checkBoxRect(const QRect &rowRect);

Q_SIGNALS:
    void checkToggled(const QModelIndex &index);
    void rowActivated(const QModelIndex &index);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    // Lines of the question and of the answer, one or two each.
    struct Lines
    {
        quint8 question = 1;
        quint8 answer = 1;
    };
    Lines linesOf(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    struct LinesAtWidth
    {
        int width = 0;
        QHash<qint64, Lines> lines; // by record id
    };
    static constexpr std::size_t keptWidths = 3;
    mutable std::vector<LinesAtWidth> m_lines; // for the font and texts below
    mutable QFont m_linesFont;
    mutable AppLanguage m_linesLanguage = AppLanguage::english;
    mutable std::optional<OneLineFit> m_bodyFit;
    mutable std::optional<OneLineFit> m_captionFit;
};

} // namespace tovik
