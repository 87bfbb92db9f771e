#include "search/recordexclusion.h"

#include "search/mentionnegation.h"
#include "search/searchtext.h"

#include <optional>

namespace tovik {

RecordExclusion::RecordExclusion(const QStringList &excludedPhrases)
    : m_phrases(excludedPhrases)
{
    for (const QString &phrase : excludedPhrases)
        m_foldedPhrases.emplace_back(SearchText::foldCaseAndDiacritics(phrase));
}

bool RecordExclusion::mentions(const QuestionRecord &record, const FoldedRecords::Entry &folded, bool turkic) const
{
    QString text;
    QString foldedText;
    PackedTextReading answer(record.answer, m_unpacked);
    // The answer unpacked as a string only when a phrase is in it, and only once.
    std::optional<QString> answerText;
    auto foldedWhole = [&] {
        if (!answerText)
            answerText = answer.toString();
        return folded.question.textOf(record.question) + QLatin1Char('\n') + folded.answer.textOf(*answerText);
    };
    for (qsizetype i = 0; i < m_phrases.size(); ++i) {
        const FoldedNeedle &phrase = m_foldedPhrases[std::size_t(i)];
        // Folding goes character by character, so the folded whole text is the
        // folded parts joined; a phrase without a line break is in one of them.
        const bool contained = phrase.text.contains(QLatin1Char('\n'))
            ? SearchText::containsFolded(foldedWhole(), phrase.text)
            : folded.question.contains(record.question, phrase.text) || folded.answer.contains(answer, phrase);
        if (!contained)
            continue;
        if (text.isEmpty()) {
            foldedText = foldedWhole();
            text = record.question + QLatin1Char('\n') + *answerText;
        }
        const bool positionsKept = folded.question.positionsKept && folded.answer.positionsKept && !turkic;
        const bool negated = positionsKept ? MentionNegation::isWhollyNegatedFolded(text, foldedText, phrase.text)
                                           : MentionNegation::isWhollyNegated(text, m_phrases.at(i));
        if (!negated)
            return true;
    }
    return false;
}

} // namespace tovik
