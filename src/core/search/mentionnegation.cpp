#include "search/mentionnegation.h"

#include "search/foldedtext.h"
#include "search/foldtable.h"
#include "search/negationwords.h"
#include "search/searchtext.h"

#include <QHash>
#include <QLocale>

#include <algorithm>

namespace tovik {

namespace {

constexpr qsizetype charactersBeforeMention = 24;
constexpr qsizetype charactersAfterMention = 20;

bool currentLocaleIsTurkic()
{
    const QLocale::Language language = QLocale().language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani;
}

// The word lists that decide, folded in the current locale (only the Turkic
// locales fold differently, so two versions suffice).
struct FoldedNegationWords
{
    // Every marker, and every marker followed by a continuation, by last unit.
    QMultiHash<char16_t, QString> markersByLastUnit;
    QStringList chineseWords;
    QStringList englishWords;
};

const FoldedNegationWords &foldedNegationWords(bool turkic)
{
    auto build = [](bool forTurkic) {
        auto fold = [forTurkic](const QString &text) { return FoldTable::fold(text, FoldTable::caseAndDiacritics, forTurkic); };
        FoldedNegationWords words;
        auto addMarker = [&words](const QString &marker) { words.markersByLastUnit.insert(marker.back().unicode(), marker); };
        for (const QString &marker : NegationWords::negationMarkers()) {
            addMarker(fold(marker));
            for (const QString &continuation : NegationWords::markerContinuations())
                addMarker(fold(marker) + fold(continuation));
        }
        for (const QString &word : NegationWords::chineseNegationWords())
            words.chineseWords.append(fold(word));
        for (const QString &word : NegationWords::englishNegationWords())
            words.englishWords.append(fold(word));
        return words;
    };
    static const FoldedNegationWords plain = build(false);
    static const FoldedNegationWords forTurkic = build(true);
    return turkic ? forTurkic : plain;
}

char32_t codePointEndingAt(QStringView text, qsizetype end)
{
    const QChar last = text.at(end - 1);
    if (last.isLowSurrogate() && end >= 2 && text.at(end - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(end - 2), last);
    return last.unicode();
}

char32_t codePointAt(QStringView text, qsizetype at)
{
    const QChar first = text.at(at);
    if (first.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(first, text.at(at + 1));
    return first.unicode();
}

// Whether `word` stands in the text as a whole word: no letter right before or after.
bool containsWholeWord(QStringView foldedText, QStringView word)
{
    for (qsizetype at = foldedText.indexOf(word); at >= 0; at = foldedText.indexOf(word, at + 1)) {
        const qsizetype end = at + word.size();
        const bool letterBefore = at > 0 && SearchText::isLetter(codePointEndingAt(foldedText, at));
        const bool letterAfter = end < foldedText.size() && SearchText::isLetter(codePointAt(foldedText, end));
        if (!letterBefore && !letterAfter)
            return true;
    }
    return false;
}

// `before` is trimmed and folded, `after` folded.
bool negatedBetween(QStringView before, QStringView after, const FoldedNegationWords &words)
{
    if (!before.isEmpty()) {
        for (auto it = words.markersByLastUnit.constFind(before.back().unicode());
             it != words.markersByLastUnit.cend() && it.key() == before.back().unicode(); ++it) {
            if (before.endsWith(*it))
                return true;
        }
    }
    return std::any_of(words.chineseWords.cbegin(), words.chineseWords.cend(),
                       [&](const QString &word) { return SearchText::containsFolded(after, word); })
        || std::any_of(words.englishWords.cbegin(), words.englishWords.cend(),
                       [&](const QString &word) { return containsWholeWord(after, word); });
}

// The window before an occurrence, trimmed, as a range of the text.
TextSpan trimmedBefore(QStringView text, qsizetype occurrenceStart)
{
    const qsizetype start = SearchText::stepBackCharacters(text, occurrenceStart, charactersBeforeMention);
    const QStringView window = text.sliced(start, occurrenceStart - start);
    const QStringView trimmed = window.trimmed();
    const qsizetype trimmedStart = start + (trimmed.isEmpty() ? 0 : trimmed.data() - window.data());
    return {trimmedStart, trimmedStart + trimmed.size()};
}

} // namespace

bool MentionNegation::isWhollyNegatedFolded(QStringView text, QStringView foldedText, QStringView foldedPhrase)
{
    if (text.isEmpty() || foldedPhrase.isEmpty())
        return false;
    const FoldedNegationWords &words = foldedNegationWords(false);
    bool found = false;
    for (qsizetype at = foldedText.indexOf(foldedPhrase); at >= 0; at = foldedText.indexOf(foldedPhrase, at + foldedPhrase.size())) {
        found = true;
        const qsizetype end = at + foldedPhrase.size();
        const TextSpan before = trimmedBefore(text, at);
        const qsizetype afterEnd = SearchText::stepForwardCharacters(text, end, charactersAfterMention);
        if (!negatedBetween(foldedText.sliced(before.start, before.length()), foldedText.sliced(end, afterEnd - end), words))
            return false;
    }
    return found;
}

bool MentionNegation::isWhollyNegated(const QString &text, const QString &phrase)
{
    if (text.isEmpty())
        return false;
    const bool turkic = currentLocaleIsTurkic();
    QString folded;
    if (!turkic && FoldTable::foldOneToOne(text, FoldTable::caseAndDiacritics, false, folded))
        return isWhollyNegatedFolded(text, folded, FoldTable::fold(phrase, FoldTable::caseAndDiacritics, false));

    const QList<TextSpan> found = SearchText::occurrences(text, phrase);
    if (found.isEmpty())
        return false;
    const FoldedNegationWords &words = foldedNegationWords(turkic);
    for (const TextSpan &occurrence : found) {
        const TextSpan before = trimmedBefore(text, occurrence.start);
        const qsizetype afterEnd = SearchText::stepForwardCharacters(text, occurrence.end, charactersAfterMention);
        const QString foldedBefore = SearchText::foldCaseAndDiacritics(QStringView(text).sliced(before.start, before.length()));
        const QString foldedAfter = SearchText::foldCaseAndDiacritics(QStringView(text).sliced(occurrence.end, afterEnd - occurrence.end));
        if (!negatedBetween(foldedBefore, foldedAfter, words))
            return false;
    }
    return true;
}

} // namespace tovik
