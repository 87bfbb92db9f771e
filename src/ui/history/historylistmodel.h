#pragma once

#include "history/questionrecord.h"

#include <QAbstractListModel>
#include <QSet>

#include <optional>

namespace tovik {

// The visible history rows with the list's own state (ticks, hover, current record).
class HistoryListModel final : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryListModel)

public:
    enum Role {
        RecordIdRole = Qt::UserRole + 1,
        StampRole,
        QuestionRole,
        AnswerRole,
        AnswerLengthRole, // in UTF-16 units, without unpacking the answer
        SelectedRole,
        CurrentRole,
        HoveredRole,
    };

    explicit HistoryListModel(QObject *parent = nullptr);

    // Rows are handed to the view a thousand at a time, more as it scrolls to the end:
    // a view lays out every row it has before it paints any.
    static constexpr int rowsPerFetch = 1000;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    // Fetches rows until `row` is among them.
    void showRow(int row);

    void setVisibleRecords(QList<QuestionRecord> records);
    const QList<QuestionRecord> &visibleRecords() const { return m_records; }
    // Kept until the rows change; made when first asked for.
    const QSet<qint64> &visibleIDs() const;
    // How many ticked records are visible.
    qsizetype selectedVisibleCount() const;
    int rowOf(qint64 id) const;

    const QSet<qint64> &selectedIDs() const { return m_selected; }
    void setSelected(qint64 id, bool selected);
    void setSelectedIDs(QSet<qint64> ids);
    void setCurrentID(std::optional<qint64> id);
    std::optional<qint64> currentID() const { return m_current; }
    void setHoveredID(std::optional<qint64> id);
    std::optional<qint64> hoveredID() const { return m_hovered; }
    // Re-renders the saved times, e.g. after a language change.
    void refreshStamps();

    // The saved time in the interface language's locale and the local time zone;
    // "Unknown date" for a time that could not be read from the file.
    static QString stamp(const QDateTime &savedAt);

Q_SIGNALS:
    void selectionChanged();

private:
    void touch(qint64 id);

    QList<QuestionRecord> m_records;
    int m_shownRows = 0; // the first rows of m_records the view has
    mutable std::optional<QSet<qint64>> m_visibleIDs;
    QSet<qint64> m_selected;
    std::optional<qint64> m_current;
    std::optional<qint64> m_hovered;
};

} // namespace tovik
