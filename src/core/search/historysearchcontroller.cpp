#include "search/historysearchcontroller.h"

#include "i18n/translate.h"
#include "search/foldedrecords.h"
#include "search/historyfilterqueue.h"
#include "search/historyassistant.h"
#include "search/historysearchfilter.h"
#include "search/historysemanticsearch.h"
#include "search/negationreading.h"
#include "search/searchtext.h"

#include <QThreadPool>

#include <mutex>

namespace tovik {

namespace {

bool isTooShort(const QString &trimmedQuery)
{
    return SearchText::characterCount(trimmedQuery) < 2;
}

QList<qint64> idsOf(const QList<QuestionRecord> &records)
{
    QList<qint64> ids;
    ids.reserve(records.size());
    for (const QuestionRecord &record : records)
        ids.append(record.id);
    return ids;
}

// The first reading of a query in a process loads ICU's word-break rules and
// dictionaries: tens of milliseconds, which on the interface thread would stall the
// first keystroke. Loaded once off it, they are shared by every thread after.
void loadReadingDataInBackground()
{
    static std::once_flag started;
    std::call_once(started, [] {
        QThreadPool::globalInstance()->start([] { NegationReading::readIntent(QStringLiteral("warm up 預算")); });
    });
}

} // namespace

HistorySearchController::HistorySearchController(QObject *parent)
    : HistorySearchController(HistorySemanticSearch::shared(), HistoryAssistant::shared(), parent)
{
}

HistorySearchController::HistorySearchController(HistorySemanticSearch &search, HistoryAssistant &assistant,
                                                 QObject *parent)
    : QObject(parent)
    , m_search(search)
    , m_assistant(assistant)
{
    loadReadingDataInBackground();
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(defaultDebounceMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] { runTask(); });
}

HistorySearchController::~HistorySearchController()
{
    stopTask();
}

void HistorySearchController::setDebounceInterval(int milliseconds)
{
    m_debounce.setInterval(milliseconds);
}

QString HistorySearchController::caption(AssistantPhase phase)
{
    switch (phase) {
    case AssistantPhase::idle:
        return {};
    case AssistantPhase::checking:
        return translate(QStringLiteral("Assistant is checking"));
    case AssistantPhase::applied:
        return translate(QStringLiteral("Assistant excluded the negated wording"));
    case AssistantPhase::unavailable:
        return translate(QStringLiteral("Assistant isn't ready. Negation rules were used instead."));
    case AssistantPhase::failed:
        return translate(QStringLiteral("Assistant didn't respond. Negation rules were used instead."));
    }
    return {};
}

void HistorySearchController::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    m_query = query;
    Q_EMIT queryChanged();
    markChanged();
    startSearch(true);
    flushChanged();
}

void HistorySearchController::setRecords(const QList<QuestionRecord> &records)
{
    const bool idsChanged = idsOf(records) != idsOf(m_records);
    if (records == m_records)
        return;
    m_records = records;
    if (m_records.size() < m_backgroundFilterFrom)
        HistoryFilterQueue::shared().forgetFoldedTexts();
    markChanged();
    if (idsChanged) {
        const QList<qint64> ids = idsOf(m_records);
        Q_EMIT selectionCutRequested(ids);
        startSearch(false);
    }
    flushChanged();
}

QString HistorySearchController::trimmedQuery() const
{
    return SearchText::trimmed(m_query);
}

HistoryQueryIntent HistorySearchController::currentIntent() const
{
    const QString trimmed = trimmedQuery();
    if (trimmed == m_modelQuery) {
        if (trimmed.isEmpty())
            return NegationReading::readIntent(m_query, {}, false);
        return NegationReading::readIntent(m_query, m_modelExclusions, m_modelWantsAbsence);
    }
    return NegationReading::readIntent(m_query);
}

bool HistorySearchController::FilterInputs::sameAs(const FilterInputs &other) const
{
    return records.constData() == other.records.constData() && records.size() == other.records.size()
        && query == other.query && semanticIDs == other.semanticIDs && modelQuery == other.modelQuery
        && modelExclusions == other.modelExclusions && modelWantsAbsence == other.modelWantsAbsence
        && turkic == other.turkic;
}

HistorySearchController::FilterInputs HistorySearchController::filterInputs(const QList<QuestionRecord> &records) const
{
    return {records,         m_query,           m_semanticIDs, m_modelQuery,
            m_modelExclusions, m_modelWantsAbsence, FoldedRecords::forCurrentLocale().isTurkic()};
}

std::optional<QList<QuestionRecord>> HistorySearchController::readyVisible(const QList<QuestionRecord> &records)
{
    FilterInputs inputs = filterInputs(records);
    if (m_filtered && m_filtered->inputs.sameAs(inputs))
        return m_filtered->visible;
    if (records.size() < m_backgroundFilterFrom || trimmedQuery().isEmpty()) {
        QList<QuestionRecord> visible = HistorySearchFilter::filter(records, m_query, m_semanticIDs, currentIntent());
        m_filtered = Filtered{std::move(inputs), visible};
        return visible;
    }
    if (!m_pendingFilter || !m_pendingFilter->sameAs(inputs)) {
        HistoryFilterQueue::shared().filter(records, m_query, m_semanticIDs, currentIntent(), m_latestFilter, this,
                                            [this](const QList<QuestionRecord> &visible) { filterArrived(visible); });
        m_pendingFilter = std::move(inputs);
    }
    return std::nullopt;
}

void HistorySearchController::filterArrived(const QList<QuestionRecord> &visible)
{
    if (!m_pendingFilter)
        return;
    m_filtered = Filtered{*std::move(m_pendingFilter), visible};
    m_pendingFilter.reset();
    // The search may have moved on meanwhile: then this asks for the next filtering.
    if (m_cutPending)
        cutSelectionToVisible();
    markChanged();
    flushChanged();
}

QList<QuestionRecord> HistorySearchController::visibleRecords(const QList<QuestionRecord> &records)
{
    if (std::optional<QList<QuestionRecord>> ready = readyVisible(records))
        return *std::move(ready);
    if (!m_filtered)
        return records;
    QList<QuestionRecord> shown = m_filtered->visible;
    const QList<QuestionRecord> &before = m_filtered->inputs.records;
    if (before.constData() != records.constData() || before.size() != records.size()) {
        // Records deleted since are not shown meanwhile.
        const QList<qint64> ids = idsOf(records);
        const QSet<qint64> existing(ids.cbegin(), ids.cend());
        shown.removeIf([&existing](const QuestionRecord &record) { return !existing.contains(record.id); });
    }
    return shown;
}

void HistorySearchController::cutSelectionToVisible()
{
    const std::optional<QList<QuestionRecord>> visible = readyVisible(m_records);
    m_cutPending = !visible;
    if (!visible)
        return;
    Q_EMIT selectionCutRequested(idsOf(*visible));
}

void HistorySearchController::cancelSearch()
{
    stopTask();
    // Nothing runs any more: no spinner, and no "checking" caption left behind.
    setSearching(false);
    if (m_assistantPhase == AssistantPhase::checking)
        setPhase(AssistantPhase::idle);
    flushChanged();
}

void HistorySearchController::stopTask()
{
    m_debounce.stop();
    if (m_task) {
        m_task->cancelled->store(true);
        m_task.reset();
    }
}

bool HistorySearchController::isStale(const Task &task) const
{
    return task.cancelled->load() || task.generation != m_searchGeneration;
}

void HistorySearchController::startSearch(bool queryChanged)
{
    stopTask();
    ++m_searchGeneration;
    Q_EMIT searchGenerationChanged();
    markChanged();
    const qint64 generation = m_searchGeneration;
    const QString trimmed = trimmedQuery();

    std::optional<bool> available;
    auto assistantAvailable = [&] {
        if (!available)
            available = m_assistant.assistantAvailable();
        return *available;
    };

    if (queryChanged) {
        resetModelReading();
        AssistantPhase phase = AssistantPhase::idle;
        if (!isTooShort(trimmed)) {
            const HistoryQueryIntent rule = NegationReading::readIntent(m_query);
            if (rule.wantsAbsence || NegationReading::containsCue(trimmed)) {
                if (assistantAvailable())
                    phase = AssistantPhase::checking;
                else if (rule.wantsAbsence)
                    phase = AssistantPhase::unavailable;
            }
        }
        setPhase(phase);
        cutSelectionToVisible();
    }

    if (isTooShort(trimmed)) {
        setSearching(false);
        resetModelReading();
        setPhase(AssistantPhase::idle);
        return;
    }

    const HistoryQueryIntent rule = NegationReading::readIntent(m_query);
    const bool absenceOnly = rule.wantsAbsence && rule.affirmativeQuery.isEmpty();
    const bool useModel = (rule.wantsAbsence || NegationReading::containsCue(trimmed)) && assistantAvailable();
    if (absenceOnly && !useModel) {
        // The filter applies the rules on their own; nothing to rank or ask.
        setSearching(false);
        return;
    }

    setSearching(true);
    m_task = Task{generation, absenceOnly, rule, trimmed, m_records, useModel, std::make_shared<std::atomic_bool>(false)};
    m_debounce.start();
}

void HistorySearchController::runTask()
{
    if (!m_task || isStale(*m_task))
        return;
    const Task task = *m_task;
    if (task.absenceOnly) {
        afterRanking(task);
        flushChanged();
        return;
    }
    const QString rankedQuery = task.ruleIntent.wantsAbsence ? task.ruleIntent.affirmativeQuery : task.trimmedQuery;
    m_search.matchingIDs(
        task.snapshot, rankedQuery, this,
        [this, task](const QList<qint64> &ids) {
            if (isStale(task))
                return;
            setSemanticIDs(ids);
            afterRanking(task);
            flushChanged();
        },
        task.cancelled);
    flushChanged();
}

void HistorySearchController::afterRanking(const Task &task)
{
    if (!task.useModel) {
        finishWithoutModel(task);
        return;
    }
    m_assistant.askAssistant(task.trimmedQuery, this, [this, task](const std::optional<HistorySearchReading> &reading) {
        readingArrived(task, reading);
        flushChanged();
    });
}

void HistorySearchController::finishWithoutModel(const Task &task)
{
    setPhase(task.ruleIntent.wantsAbsence ? AssistantPhase::unavailable : AssistantPhase::idle);
    finishTask();
}

void HistorySearchController::readingArrived(const Task &task, const std::optional<HistorySearchReading> &reading)
{
    if (isStale(task))
        return;
    if (!reading) {
        setPhase(task.ruleIntent.wantsAbsence ? AssistantPhase::failed : AssistantPhase::idle);
        finishTask();
        return;
    }

    setModelReading(task.trimmedQuery, reading->excludedPhrases, reading->wantsAbsence);
    const HistoryQueryIntent merged =
        NegationReading::readIntent(task.trimmedQuery, reading->excludedPhrases, reading->wantsAbsence);
    if (!merged.wantsAbsence) {
        setPhase(AssistantPhase::idle);
    } else if (merged.affirmativeQuery.isEmpty()) {
        setSemanticIDs({});
        setPhase(AssistantPhase::applied);
    } else if (merged.affirmativeQuery == task.ruleIntent.affirmativeQuery || isTooShort(merged.affirmativeQuery)) {
        setPhase(AssistantPhase::applied);
    } else {
        // The model cut out something else: rank what is left of the sentence now.
        m_search.matchingIDs(
            task.snapshot, merged.affirmativeQuery, this,
            [this, task](const QList<qint64> &ids) {
                if (isStale(task))
                    return;
                setSemanticIDs(ids);
                setPhase(AssistantPhase::applied);
                finishTask();
                flushChanged();
            },
            task.cancelled);
        return;
    }
    finishTask();
}

void HistorySearchController::finishTask()
{
    cutSelectionToVisible();
    setSearching(false);
    m_task.reset();
}

void HistorySearchController::resetModelReading()
{
    setSemanticIDs({});
    setModelReading(QString(), QStringList(), false);
}

void HistorySearchController::setSemanticIDs(const QList<qint64> &ids)
{
    if (ids == m_semanticIDs)
        return;
    m_semanticIDs = ids;
    Q_EMIT semanticIDsChanged();
    markChanged();
}

void HistorySearchController::setSearching(bool searching)
{
    if (searching == m_isSearching)
        return;
    m_isSearching = searching;
    Q_EMIT isSearchingChanged();
    markChanged();
}

void HistorySearchController::setPhase(AssistantPhase phase)
{
    if (phase == m_assistantPhase)
        return;
    m_assistantPhase = phase;
    Q_EMIT assistantPhaseChanged();
    markChanged();
}

void HistorySearchController::setModelReading(const QString &query, const QStringList &exclusions, bool wantsAbsence)
{
    if (query != m_modelQuery) {
        m_modelQuery = query;
        Q_EMIT modelQueryChanged();
        markChanged();
    }
    if (exclusions != m_modelExclusions) {
        m_modelExclusions = exclusions;
        Q_EMIT modelExclusionsChanged();
        markChanged();
    }
    if (wantsAbsence != m_modelWantsAbsence) {
        m_modelWantsAbsence = wantsAbsence;
        Q_EMIT modelWantsAbsenceChanged();
        markChanged();
    }
}

void HistorySearchController::flushChanged()
{
    if (!m_dirty)
        return;
    m_dirty = false;
    Q_EMIT changed();
}

} // namespace tovik
