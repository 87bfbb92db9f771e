#pragma once

#include "history/questionrecord.h"

#include <QSet>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QListView;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace tovik {

class EmptyStatePanel;
class HistoryListModel;
class UserPrompts;

// The history sidebar of one tab: saved questions newest first, ticks with deletion,
// loading a question and opening it in a new tab. It never changes the store itself;
// the owner acts on its signals.
class QuestionHistoryList final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionHistoryList)

public:
    using VisibleFilter = std::function<QList<QuestionRecord>(const QList<QuestionRecord> &)>;

    QuestionHistoryList(UserPrompts &prompts, QWidget *parent = nullptr);
    ~QuestionHistoryList() override;

    void setRecords(const QList<QuestionRecord> &records);
    const QList<QuestionRecord> &records() const { return m_records; }
    void setProblem(const QString &problem);
    void setCurrentID(std::optional<qint64> id);

    // The seam for plain-language search: a box above the list and the filter that
    // decides the visible records. Without them every record is visible.
    void setSearchBox(QWidget *box);
    // Puts the keyboard focus in the search box (Ctrl+F); false while it is hidden.
    bool focusSearch();
    void setVisibleFilter(VisibleFilter filter);
    // Re-applies the filter (after the search state changed).
    void refreshVisible();
    // The empty state while the filter keeps nothing (English title and description).
    void setNoMatchTexts(const QString &title, const QString &description);

    HistoryListModel *model() const { return m_model; }
    QListView *listView() const { return m_list; }
    QPushButton *selectAllButton() const { return m_selectAll; }
    QPushButton *deleteButton() const { return m_delete; }
    QLabel *selectedCountLabel() const { return m_selectedCount; }
    EmptyStatePanel *emptyPanel() const { return m_empty; }

    // Ticked ids that are also visible.
    QSet<qint64> selectedVisibleIDs() const;
    void toggleSelectAll();
    void deleteSelected();

Q_SIGNALS:
    // Records travel by value: the list may rebuild while a receiver still runs.
    void selectRequested(tovik::QuestionRecord record);
    void openInNewTabRequested(tovik::QuestionRecord record);
    void deleteRequested(const QSet<qint64> &ids);
    // After setRecords, once the list shows the new records.
    void recordsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateState();
    void showContextMenu(const QPoint &pos);
    void scrollToCurrent();

    UserPrompts &m_prompts;
    QList<QuestionRecord> m_records;
    VisibleFilter m_filter;
    HistoryListModel *m_model;
    QLabel *m_problem;
    EmptyStatePanel *m_empty;
    QWidget *m_searchSlot;
    QVBoxLayout *m_searchSlotLayout;
    QStackedWidget *m_body;
    QWidget *m_listPage;
    EmptyStatePanel *m_noMatches;
    QPushButton *m_selectAll;
    QLabel *m_selectedCount;
    QPushButton *m_delete;
    QListView *m_list;
    QString m_noMatchTitle;
    QString m_noMatchDescription;
    // The current row is scrolled to once the batches of a long list have reached it.
    QTimer m_scrollRetry;
    int m_scrollTries = 0;
};

} // namespace tovik
