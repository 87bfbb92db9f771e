#pragma once

#include <QString>
#include <QStringList>

namespace tovik {

// A search sentence read for negation.
struct HistoryQueryIntent
{
    // Phrases whose records are dropped: no two equal after folding, none containing another.
    QStringList excludedPhrases;
    // True exactly when excludedPhrases is not empty.
    bool wantsAbsence = false;
    // The sentence without the negation markers and excluded phrases, or empty when
    // nothing meaningful is left; the trimmed sentence when nothing is excluded.
    QString affirmativeQuery;

    friend bool operator==(const HistoryQueryIntent &, const HistoryQueryIntent &) = default;
};

} // namespace tovik
