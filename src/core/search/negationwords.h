#pragma once

#include <QStringList>

namespace tovik {

// The fixed word lists of the negation reading, in their order. Entries are
// compared as the rules say (folded, contained, or as they are).
class NegationWords final
{
public:
    NegationWords() = delete;

    // Phrases that introduce what the person wants absent ("冇提過", "never mentioned", ...).
    static const QStringList &negationMarkers();
    // Signs of negation that make asking the assistant worthwhile.
    static const QStringList &assistantCues();
    // A marker directly followed by one of these still counts before a mention.
    static const QStringList &markerContinuations();
    // Written after a mention, these negate it (Chinese ones; see englishNegationWords).
    static const QStringList &chineseNegationWords();
    // Whole English words that negate a mention written before them.
    static const QStringList &englishNegationWords();
    // Clause separators, one character each.
    static const QString &clauseSeparators();
    // Nouns never excluded on their own ("問題", ...).
    static const QStringList &genericNouns();
    static const QStringList &possessiveParticles();
    static const QStringList &trailingParticles();
    static const QStringList &alternativeSeparators();
    // Compared with folded tokens.
    static const QStringList &stopWords();
};

} // namespace tovik
