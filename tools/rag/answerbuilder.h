#pragma once

#include "corpusdatabase.h"
#include "searchterms.h"

#include <QStringList>

namespace ragtool {

// An extractive answer: from each of the best passages the sentence that holds most of
// the question's terms, quoted as found, one point per line, each ending with the
// citation marker [來源: FILENAME p. N].
class AnswerBuilder final
{
public:
    static constexpr int maxPoints = 5;
    // A passage scoring below this share of the best passage's score is not used.
    static constexpr double minRelativeScore = 0.25;
    static constexpr int maxPointWeight = 420;

    static QStringList build(const QList<CorpusDatabase::Hit> &hits, const QList<QueryTerm> &terms);

    static QString citation(const QString &filename, int page);
};

} // namespace ragtool
