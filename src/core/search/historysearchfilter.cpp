#include "search/historysearchfilter.h"

#include "search/negationreading.h"
#include "search/searchtext.h"

#include <QHash>

#include <algorithm>
#include <optional>
#include <vector>

namespace tovik {

namespace {

struct Ranked
{
    qsizetype position = 0; // in the store's list; 0 is the newest
    int kind = 0;
    qsizetype semanticRank = 0;
};

bool containsAll(const QString &foldedText, const QStringList &foldedTerms)
{
    return std::all_of(foldedTerms.cbegin(), foldedTerms.cend(),
                       [&](const QString &term) { return SearchText::containsFolded(foldedText, term); });
}

std::optional<int> literalKind(const QuestionRecord &record, const QString &foldedSearch, const QStringList &foldedTerms)
{
    const QString question = SearchText::foldCaseAndDiacritics(record.question);
    if (SearchText::containsFolded(question, foldedSearch))
        return HistorySearchFilter::questionHoldsText;
    const QString answer = SearchText::foldCaseAndDiacritics(record.answer);
    if (SearchText::containsFolded(answer, foldedSearch))
        return HistorySearchFilter::answerHoldsText;
    if (foldedTerms.isEmpty())
        return std::nullopt;
    if (containsAll(question, foldedTerms))
        return HistorySearchFilter::questionHoldsTerms;
    const bool eachSomewhere = std::all_of(foldedTerms.cbegin(), foldedTerms.cend(), [&](const QString &term) {
        return SearchText::containsFolded(question, term) || SearchText::containsFolded(answer, term);
    });
    if (eachSomewhere)
        return HistorySearchFilter::recordHoldsTerms;
    return std::nullopt;
}

} // namespace

QList<QuestionRecord> HistorySearchFilter::filter(const QList<QuestionRecord> &records, const QString &query,
                                                  const QList<qint64> &semanticIDs, const HistoryQueryIntent &intent)
{
    const QString trimmedQuery = SearchText::trimmed(query);
    if (trimmedQuery.isEmpty())
        return records;
    if (intent.wantsAbsence && intent.affirmativeQuery.isEmpty())
        return NegationReading::exclude(records, intent.excludedPhrases);

    const QString searchText = intent.wantsAbsence ? intent.affirmativeQuery : trimmedQuery;
    const QString foldedSearch = SearchText::foldCaseAndDiacritics(searchText);
    QStringList foldedTerms;
    for (const QString &term : NegationReading::searchTerms(searchText))
        foldedTerms.append(SearchText::foldCaseAndDiacritics(term));

    QHash<qint64, int> kinds;
    kinds.reserve(records.size());
    for (const QuestionRecord &record : records) {
        if (const auto kind = literalKind(record, foldedSearch, foldedTerms))
            kinds.insert(record.id, *kind);
    }
    QHash<qint64, qsizetype> semanticRanks;
    for (qsizetype rank = 0; rank < semanticIDs.size(); ++rank) {
        const qint64 id = semanticIDs.at(rank);
        if (kinds.contains(id))
            continue;
        kinds.insert(id, semantic);
        semanticRanks.insert(id, rank);
    }

    std::vector<Ranked> kept;
    for (qsizetype position = 0; position < records.size(); ++position) {
        const qint64 id = records.at(position).id;
        const auto kind = kinds.constFind(id);
        if (kind != kinds.cend())
            kept.push_back({position, *kind, semanticRanks.value(id)});
    }
    std::sort(kept.begin(), kept.end(), [](const Ranked &a, const Ranked &b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.kind == semantic)
            return a.semanticRank < b.semanticRank;
        return a.position < b.position;
    });

    QList<QuestionRecord> visible;
    visible.reserve(qsizetype(kept.size()));
    for (const Ranked &entry : kept)
        visible.append(records.at(entry.position));
    if (intent.wantsAbsence)
        return NegationReading::exclude(visible, intent.excludedPhrases);
    return visible;
}

} // namespace tovik
