#pragma once

#include "history/questionrecord.h"
#include "search/historyfilterqueue.h"
#include "search/historyqueryintent.h"
#include "search/historysearchreading.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

namespace tovik {

class HistoryAssistant;
class HistorySemanticSearch;

// The search state of one history list: the query, the semantic ranking's ids,
// the assistant's reading and its phase, and the search task that fills them.
// The search box binds to `query`; the list redraws on changed() and shows
// visibleRecords(). Interface thread only.
class HistorySearchController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QList<qint64> semanticIDs READ semanticIDs NOTIFY semanticIDsChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(qint64 searchGeneration READ searchGeneration NOTIFY searchGenerationChanged)
    Q_PROPERTY(QString modelQuery READ modelQuery NOTIFY modelQueryChanged)
    Q_PROPERTY(QStringList modelExclusions READ modelExclusions NOTIFY modelExclusionsChanged)
    Q_PROPERTY(bool modelWantsAbsence READ modelWantsAbsence NOTIFY modelWantsAbsenceChanged)
    Q_PROPERTY(AssistantPhase assistantPhase READ assistantPhase NOTIFY assistantPhaseChanged)
    Q_PROPERTY(QString assistantCaption READ assistantCaption NOTIFY assistantPhaseChanged)
    Q_DISABLE_COPY_MOVE(HistorySearchController)

public:
    // What the assistant is doing for the current query.
    enum class AssistantPhase { idle, checking, applied, unavailable, failed };
    Q_ENUM(AssistantPhase)

    static constexpr int defaultDebounceMs = 220;

    // Over the shared semantic search and assistant.
    explicit HistorySearchController(QObject *parent = nullptr);
    HistorySearchController(HistorySemanticSearch &search, HistoryAssistant &assistant, QObject *parent = nullptr);
    ~HistorySearchController() override;

    // The wait after the last change before ranking starts.
    void setDebounceInterval(int milliseconds);

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    QList<qint64> semanticIDs() const { return m_semanticIDs; }
    bool isSearching() const { return m_isSearching; }
    qint64 searchGeneration() const { return m_searchGeneration; }
    QString modelQuery() const { return m_modelQuery; }
    QStringList modelExclusions() const { return m_modelExclusions; }
    bool modelWantsAbsence() const { return m_modelWantsAbsence; }
    AssistantPhase assistantPhase() const { return m_assistantPhase; }
    // The caption under the search box; empty for idle.
    QString assistantCaption() const { return caption(m_assistantPhase); }
    static QString caption(AssistantPhase phase);

    // The store's records, newest first. When their ids change, the selection is
    // first cut to the ids that still exist and a search starts for the same query.
    void setRecords(const QList<QuestionRecord> &records);
    const QList<QuestionRecord> &records() const { return m_records; }

    QString trimmedQuery() const;
    // The rules' reading of the query, merged with the assistant's when it belongs to this query.
    HistoryQueryIntent currentIntent() const;
    // What the list shows, in order. A history of at least backgroundFilterFrom() records
    // is filtered off the interface thread: until that ends, the last result is shown
    // (without records that are gone), isFiltering() holds, and changed() follows.
    QList<QuestionRecord> visibleRecords() { return visibleRecords(m_records); }
    QList<QuestionRecord> visibleRecords(const QList<QuestionRecord> &records);
    bool isFiltering() const { return m_pendingFilter.has_value(); }
    int backgroundFilterFrom() const { return m_backgroundFilterFrom; }
    void setBackgroundFilterFrom(int recordCount) { m_backgroundFilterFrom = recordCount; }

    // Asks the list to cut its ticks to the visible records: now, or when they are known.
    void cutSelectionToVisible();

    // The list left the screen: the running task stops and nothing of it is applied.
    void cancelSearch();

Q_SIGNALS:
    void queryChanged();
    void semanticIDsChanged();
    void isSearchingChanged();
    void searchGenerationChanged();
    void modelQueryChanged();
    void modelExclusionsChanged();
    void modelWantsAbsenceChanged();
    void assistantPhaseChanged();
    // Once after any batch of the changes above, and when the records change.
    void changed();
    // The list must cut its selectedIDs down to these ids (a list: a long history's ids
    // are only worth a set when something is ticked).
    void selectionCutRequested(const QList<qint64> &keptIDs);

private:
    struct Task
    {
        qint64 generation = 0;
        bool absenceOnly = false;
        HistoryQueryIntent ruleIntent;
        QString trimmedQuery;
        QList<QuestionRecord> snapshot;
        bool useModel = false;
        std::shared_ptr<std::atomic_bool> cancelled;
    };

    void startSearch(bool queryChanged);
    void runTask();
    void afterRanking(const Task &task);
    void finishWithoutModel(const Task &task);
    void readingArrived(const Task &task, const std::optional<HistorySearchReading> &reading);
    void finishTask();
    bool isStale(const Task &task) const;
    void stopTask();

    void resetModelReading();
    void setSemanticIDs(const QList<qint64> &ids);
    void setSearching(bool searching);
    void setPhase(AssistantPhase phase);
    void setModelReading(const QString &query, const QStringList &exclusions, bool wantsAbsence);
    void markChanged() { m_dirty = true; }
    void flushChanged();

    HistorySemanticSearch &m_search;
    HistoryAssistant &m_assistant;
    QTimer m_debounce;

    QList<QuestionRecord> m_records;
    QString m_query;
    QList<qint64> m_semanticIDs;
    bool m_isSearching = false;
    qint64 m_searchGeneration = 0;
    QString m_modelQuery;
    QStringList m_modelExclusions;
    bool m_modelWantsAbsence = false;
    AssistantPhase m_assistantPhase = AssistantPhase::idle;
    std::optional<Task> m_task;
    bool m_dirty = false;

    // What a filtering was asked for. `records` is a share of the list it was asked
    // for, so its data can't change under the same address.
    struct FilterInputs
    {
        QList<QuestionRecord> records;
        QString query;
        QList<qint64> semanticIDs;
        QString modelQuery;
        QStringList modelExclusions;
        bool modelWantsAbsence = false;
        bool turkic = false; // the folding the texts were compared with

        bool sameAs(const FilterInputs &other) const;
    };
    // The last filtering, kept because the list asks again on every change of the
    // search state (typing, searching, results, the assistant) and a large history takes
    // a while to filter.
    struct Filtered
    {
        FilterInputs inputs;
        QList<QuestionRecord> visible;
    };
    FilterInputs filterInputs(const QList<QuestionRecord> &records) const;
    // The visible records when known now; otherwise a filtering is under way.
    std::optional<QList<QuestionRecord>> readyVisible(const QList<QuestionRecord> &records);
    void filterArrived(const QList<QuestionRecord> &visible);

    std::optional<Filtered> m_filtered;
    std::optional<FilterInputs> m_pendingFilter;
    // The number of the last filtering asked for; the queue skips older ones.
    HistoryFilterQueue::Latest m_latestFilter = std::make_shared<std::atomic<qint64>>(0);
    int m_backgroundFilterFrom = 2000;
    bool m_cutPending = false;
};

} // namespace tovik
