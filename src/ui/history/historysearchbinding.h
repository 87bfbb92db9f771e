#pragma once

#include <QObject>

namespace tovik {

class HistorySearchBox;
class HistorySearchController;
class QuestionHistoryList;

// Puts plain-language search on a history list: the search box above it, the
// controller's visible records in it, the empty state that says what the search
// is doing, and the selection cut down to what is visible. Lives as long as the list.
class HistorySearchBinding final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistorySearchBinding)

public:
    // Over the shared semantic search and assistant.
    explicit HistorySearchBinding(QuestionHistoryList &list);
    // Over a controller of the caller's making (tests); the binding takes it over.
    HistorySearchBinding(QuestionHistoryList &list, HistorySearchController *controller);

    HistorySearchController &controller() const { return *m_controller; }
    HistorySearchBox *searchBox() const { return m_box; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void searchChanged();

    QuestionHistoryList &m_list;
    HistorySearchController *m_controller;
    HistorySearchBox *m_box;
    // A search the list's hiding cut short, to run again when it is back.
    bool m_interrupted = false;
};

} // namespace tovik
