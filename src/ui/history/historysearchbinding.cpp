#include "history/historysearchbinding.h"

#include "history/historylistmodel.h"
#include "history/historysearchbox.h"
#include "history/questionhistorylist.h"
#include "search/historysearchcontroller.h"

#include <QEvent>
#include <QPointer>

namespace tovik {

HistorySearchBinding::HistorySearchBinding(QuestionHistoryList &list)
    : HistorySearchBinding(list, new HistorySearchController)
{
}

HistorySearchBinding::HistorySearchBinding(QuestionHistoryList &list, HistorySearchController *controller)
    : QObject(&list)
    , m_list(list)
    , m_controller(controller)
    , m_box(new HistorySearchBox(*controller, &list))
{
    m_controller->setParent(this);
    m_list.setSearchBox(m_box);
    m_controller->setRecords(m_list.records());

    connect(m_controller, &HistorySearchController::selectionCutRequested, &m_list, [this](const QList<qint64> &kept) {
        HistoryListModel *model = m_list.model();
        if (!model->selectedIDs().isEmpty())
            model->setSelectedIDs(model->selectedIDs() & QSet<qint64>(kept.cbegin(), kept.cend()));
    });
    connect(m_controller, &HistorySearchController::changed, this, &HistorySearchBinding::searchChanged);
    connect(&m_list, &QuestionHistoryList::recordsChanged, m_controller,
            [this] { m_controller->setRecords(m_list.records()); });
    m_list.installEventFilter(this);

    QPointer<HistorySearchController> filtering(m_controller);
    m_list.setVisibleFilter([filtering](const QList<QuestionRecord> &records) {
        return filtering ? filtering->visibleRecords(records) : records;
    });
    searchChanged();
}

void HistorySearchBinding::searchChanged()
{
    // First the rows, which may start filtering a long history.
    m_list.refreshVisible();
    using Phase = HistorySearchController::AssistantPhase;
    if (m_controller->assistantPhase() == Phase::checking)
        m_list.setNoMatchTexts(QStringLiteral("Assistant is checking"),
                               QStringLiteral("Checking whether this sentence really matches, including negation."));
    else if (m_controller->isSearching() || m_controller->isFiltering())
        m_list.setNoMatchTexts(QStringLiteral("Searching"),
                               QStringLiteral("Comparing this sentence with saved questions and answers."));
    else
        m_list.setNoMatchTexts(QStringLiteral("No matching questions"),
                               QStringLiteral("Try another sentence, or clear the search."));
}

bool HistorySearchBinding::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_list) {
        if (event->type() == QEvent::Hide && m_controller->isSearching()) {
            // Off screen, nothing is worth ranking or asking for.
            m_interrupted = true;
            m_controller->cancelSearch();
        } else if (event->type() == QEvent::Show && m_interrupted) {
            // Back on screen with the same sentence: finish the search it was in the middle of,
            // rather than show a half-done result as if it were final.
            // The restart must not cost ticks: they are cut again when the new search ends.
            m_interrupted = false;
            HistoryListModel *model = m_list.model();
            const QSet<qint64> ticked = model->selectedIDs();
            const QString query = m_controller->query();
            m_controller->setQuery(QString());
            m_controller->setQuery(query);
            model->setSelectedIDs(ticked);
            if (!m_controller->isSearching())
                m_controller->cutSelectionToVisible();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tovik
