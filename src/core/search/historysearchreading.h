#pragma once

#include <QStringList>

namespace tovik {

// What the assistant (language model) read from a search sentence.
struct HistorySearchReading
{
    // Names or phrases copied from the sentence that the person said were not mentioned.
    QStringList excludedPhrases;
    // True when the person wants to exclude those phrases.
    bool wantsAbsence = false;

    friend bool operator==(const HistorySearchReading &, const HistorySearchReading &) = default;
};

} // namespace tovik
