#pragma once

#include "history/questionrecord.h"
#include "search/historyqueryintent.h"
#include "search/textspan.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tovik {

// The rule-based reading of negation in a search sentence ("冇提過陳大文",
// "questions about tax that never mentioned Smith"), the merging of the
// assistant's phrases into it, and the exclusion step of the search filter.
// Pure functions; they run on the interface thread.
class NegationReading final
{
public:
    NegationReading() = delete;

    // The search terms of a text: word tokens of two or more characters, folded,
    // without stop words and tokens lacking letters and numbers, first-seen order,
    // no duplicates.
    static QStringList searchTerms(const QString &text);

    // The intent of a sentence; the model's phrases count only when the model
    // wants them absent, and only their terms that occur in the sentence.
    static HistoryQueryIntent readIntent(const QString &sentence, const QStringList &modelPhrases = {},
                                         bool modelWantsAbsence = false);

    // Whether the sentence holds one of the assistant cues (case and diacritics
    // ignored, no locale).
    static bool containsCue(const QString &trimmedSentence);

    // The records that do not mention an excluded phrase (except in a wholly
    // negated way), in their order.
    static QList<QuestionRecord> exclude(const QList<QuestionRecord> &records, const QStringList &excludedPhrases);

    // Whether every occurrence of the phrase in the text is negated by the words
    // right before or after it. A text without any occurrence is not negated.
    static bool isWhollyNegatedMention(const QString &text, const QString &phrase);

    // Parts of the rules, open for tests.
    static QStringList rulePhrases(const QString &trimmedSentence);
    static QList<TextSpan> markerRanges(const QString &trimmedSentence);
    static QString affirmativeText(const QString &trimmedSentence, const QStringList &phrases);
    static QString cutPossessiveSuffix(const QString &text);
    static QString cutTrailingParticles(const QString &text);
};

} // namespace tovik
