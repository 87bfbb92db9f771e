#include "search/historysearchfilter.h"

#include "history/packedtextscratch.h"
#include "search/foldedrecords.h"
#include "search/negationreading.h"
#include "search/recordexclusion.h"
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

std::optional<int> literalKind(const QuestionRecord &record, const FoldedRecords::Entry &folded,
                               const FoldedNeedle &foldedSearch, const std::vector<FoldedNeedle> &foldedTerms,
                               PackedTextScratch &unpacked)
{
    PackedTextReading answerText(record.answer, unpacked);
    auto question = [&](const FoldedNeedle &needle) { return folded.question.contains(record.question, needle.text); };
    auto answer = [&](const FoldedNeedle &needle) { return folded.answer.contains(answerText, needle); };
    if (question(foldedSearch))
        return HistorySearchFilter::questionHoldsText;
    if (answer(foldedSearch))
        return HistorySearchFilter::answerHoldsText;
    if (foldedTerms.empty())
        return std::nullopt;
    bool inQuestion = true;
    for (const FoldedNeedle &term : foldedTerms) {
        if (question(term))
            continue;
        if (!answer(term))
            return std::nullopt;
        inQuestion = false;
    }
    return inQuestion ? HistorySearchFilter::questionHoldsTerms : HistorySearchFilter::recordHoldsTerms;
}

QList<QuestionRecord> recordsAt(const QList<QuestionRecord> &records, const std::vector<qsizetype> &positions)
{
    // Every record in its place (a search most records match, as its first letters do):
    // the list itself, shared, rather than a copy of a long history per keystroke.
    if (qsizetype(positions.size()) == records.size()) {
        qsizetype expected = 0;
        while (expected < records.size() && positions[std::size_t(expected)] == expected)
            ++expected;
        if (expected == records.size())
            return records;
    }
    QList<QuestionRecord> picked;
    picked.reserve(qsizetype(positions.size()));
    for (const qsizetype position : positions)
        picked.append(records.at(position));
    return picked;
}

// The positions whose records the exclusion step keeps, in their order.
std::vector<qsizetype> keptPositions(const QList<QuestionRecord> &records, const FoldedRecords &folded,
                                     const std::vector<qsizetype> &positions, const QStringList &excludedPhrases)
{
    const RecordExclusion exclusion(excludedPhrases);
    std::vector<qsizetype> kept;
    kept.reserve(positions.size());
    for (const qsizetype position : positions) {
        if (!exclusion.mentions(records.at(position), folded.entry(position), folded.isTurkic()))
            kept.push_back(position);
    }
    return kept;
}

} // namespace

QList<QuestionRecord> HistorySearchFilter::filter(const QList<QuestionRecord> &records, const QString &query,
                                                  const QList<qint64> &semanticIDs, const HistoryQueryIntent &intent)
{
    const QString trimmedQuery = SearchText::trimmed(query);
    if (trimmedQuery.isEmpty())
        return records;

    // Saved texts are folded once and kept; only the query is folded per keystroke.
    FoldedRecords &folded = FoldedRecords::forCurrentLocale();
    folded.use(records);

    if (intent.wantsAbsence && intent.affirmativeQuery.isEmpty()) {
        std::vector<qsizetype> all(std::size_t(records.size()));
        for (qsizetype position = 0; position < records.size(); ++position)
            all[std::size_t(position)] = position;
        return recordsAt(records, keptPositions(records, folded, all, intent.excludedPhrases));
    }

    const QString searchText = intent.wantsAbsence ? intent.affirmativeQuery : trimmedQuery;
    const FoldedNeedle foldedSearch(SearchText::foldCaseAndDiacritics(searchText));
    std::vector<FoldedNeedle> foldedTerms;
    for (const QString &term : NegationReading::searchTerms(searchText))
        foldedTerms.emplace_back(SearchText::foldCaseAndDiacritics(term));

    // Each record's kind of match by its position: a long history is matched whole by
    // a search's first letters, and a table by id would be as long.
    constexpr int noMatch = -1;
    std::vector<qint8> kinds(std::size_t(records.size()), noMatch);
    PackedTextScratch unpacked; // reused from answer to answer
    for (qsizetype position = 0; position < records.size(); ++position) {
        if (const auto kind =
                literalKind(records.at(position), folded.entry(position), foldedSearch, foldedTerms, unpacked))
            kinds[std::size_t(position)] = qint8(*kind);
    }
    QHash<qint64, qsizetype> semanticRanks; // the first rank of each id
    for (qsizetype rank = 0; rank < semanticIDs.size(); ++rank) {
        if (!semanticRanks.contains(semanticIDs.at(rank)))
            semanticRanks.insert(semanticIDs.at(rank), rank);
    }

    std::vector<Ranked> ranked;
    for (qsizetype position = 0; position < records.size(); ++position) {
        const int literal = kinds[std::size_t(position)];
        if (literal != noMatch) {
            ranked.push_back({position, literal, 0});
        } else if (!semanticRanks.isEmpty()) {
            const auto rank = semanticRanks.constFind(records.at(position).id);
            if (rank != semanticRanks.cend())
                ranked.push_back({position, semantic, *rank});
        }
    }
    std::sort(ranked.begin(), ranked.end(), [](const Ranked &a, const Ranked &b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.kind == semantic)
            return a.semanticRank < b.semanticRank;
        return a.position < b.position;
    });

    std::vector<qsizetype> positions;
    positions.reserve(ranked.size());
    for (const Ranked &entry : ranked)
        positions.push_back(entry.position);
    if (intent.wantsAbsence)
        positions = keptPositions(records, folded, positions, intent.excludedPhrases);
    return recordsAt(records, positions);
}

} // namespace tovik
