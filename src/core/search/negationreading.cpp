#include "search/negationreading.h"

#include "search/foldedtext.h"
#include "search/foldedrecords.h"
#include "search/mentionnegation.h"
#include "search/recordexclusion.h"
#include "search/negationwords.h"
#include "search/searchtext.h"

#include <QSet>

#include <algorithm>

namespace tovik {

namespace {

// The rules read at most this many markers of one sentence.
constexpr int maximumMarkers = 8;

struct MarkerHit
{
    TextSpan marker;
    qsizetype clauseEnd = 0; // the separator after the marker, or the end of the sentence
};

// Marker search ignores case and diacritics without locale, so the folded
// markers are the same for every call.
const QStringList &foldedMarkersWithoutLocale()
{
    static const QStringList folded = [] {
        QStringList list;
        for (const QString &marker : NegationWords::negationMarkers())
            list.append(FoldTable::fold(marker, FoldTable::caseAndDiacritics, false));
        return list;
    }();
    return folded;
}

QList<MarkerHit> walkMarkers(const QString &sentence)
{
    QList<MarkerHit> hits;
    const FoldedText folded(sentence, FoldTable::caseAndDiacritics, false);
    const QString &separators = NegationWords::clauseSeparators();
    qsizetype position = 0;
    for (int round = 0; round < maximumMarkers; ++round) {
        std::optional<TextSpan> earliest;
        for (const QString &marker : foldedMarkersWithoutLocale()) {
            const auto found = folded.find(marker, position);
            if (!found)
                continue;
            if (!earliest || found->start < earliest->start
                || (found->start == earliest->start && found->length() > earliest->length()))
                earliest = found;
        }
        if (!earliest)
            break;
        qsizetype clauseEnd = earliest->end;
        while (clauseEnd < sentence.size() && !separators.contains(sentence.at(clauseEnd)))
            ++clauseEnd;
        hits.append({*earliest, clauseEnd});
        if (clauseEnd >= sentence.size())
            break;
        position = clauseEnd;
    }
    return hits;
}

bool isGenericNoun(const QString &text)
{
    return NegationWords::genericNouns().contains(text);
}

QStringList clauseToPhrases(QStringView clause)
{
    QString text = NegationReading::cutTrailingParticles(NegationReading::cutPossessiveSuffix(SearchText::trimmed(clause)));
    if (text.isEmpty())
        return {};
    QStringList phrases;
    for (const QString &term : NegationReading::searchTerms(text)) {
        const QString cut = NegationReading::cutTrailingParticles(term);
        if (SearchText::characterCount(cut) >= 2 && !isGenericNoun(cut))
            phrases.append(cut);
    }
    if (!phrases.isEmpty())
        return phrases;

    // Nothing survived as a word (the tokenizer may cut a name into single
    // characters): take the clause itself, split at "or"/"and" words.
    QStringList pieces{text};
    for (const QString &separator : NegationWords::alternativeSeparators()) {
        QStringList next;
        for (const QString &piece : std::as_const(pieces))
            next.append(piece.split(separator));
        pieces = next;
    }
    for (const QString &piece : std::as_const(pieces)) {
        const QString cut = NegationReading::cutTrailingParticles(SearchText::trimmed(piece));
        if (SearchText::characterCount(cut) >= 2)
            phrases.append(cut);
    }
    return phrases;
}

QStringList uniqueByFolding(const QStringList &phrases)
{
    QStringList kept;
    QSet<QString> seen;
    for (const QString &phrase : phrases) {
        const QString key = SearchText::fold(phrase);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        kept.append(phrase);
    }
    return kept;
}

QStringList minimalPhrases(const QStringList &phrases)
{
    QStringList kept;
    for (const QString &phrase : phrases) {
        const qsizetype length = SearchText::characterCount(phrase);
        const bool holdsShorter = std::any_of(phrases.cbegin(), phrases.cend(), [&](const QString &other) {
            return SearchText::characterCount(other) < length && SearchText::localizedStandardContains(phrase, other);
        });
        if (!holdsShorter)
            kept.append(phrase);
    }
    return kept;
}

} // namespace

QStringList NegationReading::searchTerms(const QString &text)
{
    static const QSet<QString> stopWords(NegationWords::stopWords().cbegin(), NegationWords::stopWords().cend());
    QStringList terms;
    for (const QString &token : SearchText::wordTokens(text)) {
        const QString trimmedToken = SearchText::trimmed(token);
        if (SearchText::characterCount(trimmedToken) < 2)
            continue;
        const QString folded = SearchText::fold(trimmedToken);
        if (stopWords.contains(folded) || !SearchText::containsLetterOrNumber(folded))
            continue;
        if (!terms.contains(folded))
            terms.append(folded);
    }
    return terms;
}

QStringList NegationReading::rulePhrases(const QString &trimmedSentence)
{
    QStringList phrases;
    for (const MarkerHit &hit : walkMarkers(trimmedSentence))
        phrases.append(clauseToPhrases(QStringView(trimmedSentence).sliced(hit.marker.end, hit.clauseEnd - hit.marker.end)));
    return phrases;
}

QList<TextSpan> NegationReading::markerRanges(const QString &trimmedSentence)
{
    QList<TextSpan> ranges;
    for (const MarkerHit &hit : walkMarkers(trimmedSentence))
        ranges.append(hit.marker);
    return ranges;
}

QString NegationReading::affirmativeText(const QString &trimmedSentence, const QStringList &phrases)
{
    QList<TextSpan> cuts = markerRanges(trimmedSentence);
    for (const QString &phrase : phrases)
        cuts.append(SearchText::occurrences(trimmedSentence, phrase));
    std::stable_sort(cuts.begin(), cuts.end(), [](const TextSpan &a, const TextSpan &b) { return a.start < b.start; });

    // The pieces between the cuts are joined as they are: "tax that never
    // mentioned Smith" leaves "tax that  " rather than inventing a separator.
    QString rest;
    qsizetype position = 0;
    for (const TextSpan &cut : std::as_const(cuts)) {
        if (cut.start > position)
            rest.append(QStringView(trimmedSentence).sliced(position, cut.start - position));
        position = qMax(position, cut.end);
    }
    if (position < trimmedSentence.size())
        rest.append(QStringView(trimmedSentence).sliced(position));

    const QString result = cutPossessiveSuffix(SearchText::trimmed(rest));
    return searchTerms(result).isEmpty() ? QString() : result;
}

QString NegationReading::cutPossessiveSuffix(const QString &text)
{
    for (const QString &noun : NegationWords::genericNouns()) {
        for (const QString &particle : NegationWords::possessiveParticles()) {
            const QString ending = particle + noun;
            if (text.endsWith(ending))
                return SearchText::trimmed(QStringView(text).chopped(ending.size()));
        }
    }
    return text;
}

QString NegationReading::cutTrailingParticles(const QString &text)
{
    QString rest = text;
    while (!rest.isEmpty()) {
        const qsizetype length = SearchText::characterCount(rest);
        const QStringList &particles = NegationWords::trailingParticles();
        const auto particle = std::find_if(particles.cbegin(), particles.cend(), [&](const QString &entry) {
            return SearchText::characterCount(entry) < length && rest.endsWith(entry);
        });
        if (particle == particles.cend())
            break;
        rest = SearchText::trimmed(QStringView(rest).chopped(particle->size()));
    }
    return rest;
}

HistoryQueryIntent NegationReading::readIntent(const QString &sentence, const QStringList &modelPhrases,
                                               bool modelWantsAbsence)
{
    const QString trimmedSentence = SearchText::trimmed(sentence);
    if (trimmedSentence.isEmpty())
        return {};

    QStringList phrases = rulePhrases(trimmedSentence);
    if (modelWantsAbsence) {
        const QString ruleAffirmative = phrases.isEmpty() ? QString() : affirmativeText(trimmedSentence, phrases);
        for (const QString &modelPhrase : modelPhrases) {
            const QString phrase = SearchText::trimmed(modelPhrase);
            if (SearchText::characterCount(phrase) < 2 || !SearchText::localizedStandardContains(trimmedSentence, phrase))
                continue;
            QStringList terms = searchTerms(phrase);
            if (terms.isEmpty())
                terms.append(phrase);
            for (const QString &term : std::as_const(terms)) {
                if (SearchText::characterCount(term) < 2 || !SearchText::localizedStandardContains(trimmedSentence, term))
                    continue;
                if (isGenericNoun(term))
                    continue;
                // A term the rules left in the affirmative part is what the person looks for.
                if (!ruleAffirmative.isEmpty() && SearchText::localizedStandardContains(ruleAffirmative, term))
                    continue;
                phrases.append(term);
            }
        }
    }

    phrases = minimalPhrases(uniqueByFolding(phrases));
    if (phrases.isEmpty())
        return {{}, false, trimmedSentence};
    return {phrases, true, affirmativeText(trimmedSentence, phrases)};
}

bool NegationReading::containsCue(const QString &trimmedSentence)
{
    const QString folded = FoldTable::fold(trimmedSentence, FoldTable::caseAndDiacritics, false);
    const QStringList &cues = NegationWords::assistantCues();
    return std::any_of(cues.cbegin(), cues.cend(), [&](const QString &cue) {
        return SearchText::containsFolded(folded, FoldTable::fold(cue, FoldTable::caseAndDiacritics, false));
    });
}

QList<QuestionRecord> NegationReading::exclude(const QList<QuestionRecord> &records, const QStringList &excludedPhrases)
{
    const RecordExclusion exclusion(excludedPhrases);
    if (exclusion.isEmpty())
        return records;
    const bool turkic = FoldedRecords::forCurrentLocale().isTurkic();
    QList<QuestionRecord> kept;
    kept.reserve(records.size());
    for (const QuestionRecord &record : records) {
        if (!exclusion.mentions(record, FoldedRecords::foldRecord(record, turkic), turkic))
            kept.append(record);
    }
    return kept;
}

bool NegationReading::isWhollyNegatedMention(const QString &text, const QString &phrase)
{
    return MentionNegation::isWhollyNegated(text, phrase);
}

} // namespace tovik
