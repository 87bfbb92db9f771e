#pragma once

#include <QList>
#include <QString>

namespace ragtool {

// Terms of the full-text index and of questions. The index tokenizer splits on spaces
// and punctuation, which finds nothing inside Chinese text, so runs of Chinese
// characters are indexed as overlapping two-character terms (plus the run's last
// character alone): a question of two characters or more then finds any phrase.
struct QueryTerm
{
    enum class Kind { word, cjkPair, cjkSingle, nearWords };
    Kind kind = Kind::word;
    QString text; // nearWords: two words, one space between

    bool operator==(const QueryTerm &) const = default;
};

class SearchTerms final
{
public:
    // The text to store in the index for a passage body.
    static QString indexText(const QString &body);

    // The search terms of a question: English words without common function words
    // (kept when nothing else is left), each two neighbouring ones also as a pair that
    // must stand close together ("station 12" beats "station" and "12" far apart), and
    // Chinese two-character terms of the question with its question words taken out.
    static QList<QueryTerm> questionTerms(const QString &question);

    // An FTS5 MATCH expression that finds passages holding any of the terms.
    static QString matchExpression(const QList<QueryTerm> &terms);

    // Whether a sentence holds a term; words match loosely on their stem.
    static bool sentenceHolds(const QString &sentenceLower, const QStringList &sentenceWords, const QueryTerm &term);

    // Lower-case words of a text (letters and digits, Chinese excluded).
    static QStringList words(const QString &text);
};

} // namespace ragtool
