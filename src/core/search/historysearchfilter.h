#pragma once

#include "history/questionrecord.h"
#include "search/historyqueryintent.h"

#include <QList>
#include <QString>

namespace tovik {

// Which saved questions the history list shows for a search, and in which order:
// literal matches of the sentence and of its words first, then the semantic
// ranking's ids, and finally the records that mention an excluded phrase dropped.
class HistorySearchFilter final
{
public:
    HistorySearchFilter() = delete;

    // How a record matched, lower sorts first.
    enum MatchKind {
        questionHoldsText = 0,  // the question contains the whole search text
        answerHoldsText = 1,    // the answer contains the whole search text
        questionHoldsTerms = 2, // every search term occurs in the question
        recordHoldsTerms = 3,   // every term occurs in the question or the answer
        semantic = 4,           // no literal match; among the semantic ids
    };

    // Pure; runs on the interface thread for every redraw. A blank query returns
    // the records unchanged.
    static QList<QuestionRecord> filter(const QList<QuestionRecord> &records, const QString &query,
                                        const QList<qint64> &semanticIDs, const HistoryQueryIntent &intent);
};

} // namespace tovik
