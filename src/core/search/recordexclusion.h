#pragma once

#include "history/packedtextscratch.h"
#include "history/questionrecord.h"
#include "search/foldedrecords.h"

#include <QStringList>

#include <vector>

namespace tovik {

// The exclusion test for one record: does its text (question, line break,
// answer) mention an excluded phrase other than in a wholly negated way?
class RecordExclusion final
{
public:
    explicit RecordExclusion(const QStringList &excludedPhrases);

    bool isEmpty() const { return m_phrases.isEmpty(); }
    // `folded` holds the record's folded texts in the current locale.
    bool mentions(const QuestionRecord &record, const FoldedRecords::Entry &folded, bool turkic) const;

private:
    QStringList m_phrases;
    std::vector<FoldedNeedle> m_foldedPhrases;
    mutable PackedTextScratch m_unpacked; // an answer being read
};

} // namespace tovik
