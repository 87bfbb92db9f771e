#include "search/recordexclusion.h"

#include "search/mentionnegation.h"
#include "search/searchtext.h"

namespace tovik {

RecordExclusion::RecordExclusion(const QStringList &excludedPhrases)
    : m_phrases(excludedPhrases)
{
    for (const QString &phrase : excludedPhrases)
        m_foldedPhrases.append(SearchText::foldCaseAndDiacritics(phrase));
}

bool RecordExclusion::mentions(const QuestionRecord &record, const FoldedRecords::Entry &folded, bool turkic) const
{
    QString text;
    QString foldedText;
    for (qsizetype i = 0; i < m_phrases.size(); ++i) {
        const QString &phrase = m_foldedPhrases.at(i);
        // Folding goes character by character, so the folded whole text is the
        // folded parts joined; a phrase without a line break is in one of them.
        const bool contained = phrase.contains(QLatin1Char('\n'))
            ? SearchText::containsFolded(folded.question.textOf(record.question) + QLatin1Char('\n')
                                             + folded.answer.textOf(record.answer),
                                         phrase)
            : folded.question.contains(record.question, phrase) || folded.answer.contains(record.answer, phrase);
        if (!contained)
            continue;
        if (text.isEmpty()) {
            text = record.question + QLatin1Char('\n') + record.answer;
            foldedText = folded.question.textOf(record.question) + QLatin1Char('\n') + folded.answer.textOf(record.answer);
        }
        const bool positionsKept = folded.question.positionsKept && folded.answer.positionsKept && !turkic;
        const bool negated = positionsKept ? MentionNegation::isWhollyNegatedFolded(text, foldedText, phrase)
                                           : MentionNegation::isWhollyNegated(text, m_phrases.at(i));
        if (!negated)
            return true;
    }
    return false;
}

} // namespace tovik
