#include "commands.h"

#include "answerbuilder.h"
#include "corpusdatabase.h"
#include "log.h"
#include "projectlocation.h"
#include "searchterms.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace ragtool {

namespace {
constexpr int candidatePassages = 40;
}

int runAsk(const QString &question)
{
    QElapsedTimer clock;
    clock.start();
    const QString trimmed = question.trimmed();
    if (trimmed.isEmpty()) {
        log::error(QStringLiteral("The question is empty."));
        return 2;
    }
    const ProjectLocation location = ProjectLocation::locate(workingDirectory(), homeDirectory());
    const QString corpusPath = location.corpusPath();
    if (!QFileInfo::exists(corpusPath)) {
        log::info(QStringLiteral("retrieved 0 passages: there is no corpus at %1").arg(corpusPath));
        log::print(QStringLiteral("Nothing has been ingested yet, so there is nothing to answer from. "
                                  "Ingest a document first."));
        return 0;
    }
    QString error;
    const std::unique_ptr<CorpusDatabase> corpus = CorpusDatabase::open(corpusPath, CorpusDatabase::Access::read, &error);
    if (!corpus) {
        log::error(QStringLiteral("Can't open the corpus %1: %2").arg(corpusPath, error));
        return 1;
    }
    const qint64 openedMs = clock.elapsed();

    const QList<QueryTerm> terms = SearchTerms::questionTerms(trimmed);
    QList<CorpusDatabase::Hit> hits;
    if (!terms.isEmpty() && !corpus->search(SearchTerms::matchExpression(terms), candidatePassages, &hits, &error)) {
        log::error(QStringLiteral("Search failed: %1").arg(error));
        return 1;
    }
    const qint64 retrievedMs = clock.elapsed();
    log::info(QStringLiteral("retrieved %1 passages for %2 search terms in %3 ms")
                  .arg(hits.size())
                  .arg(terms.size())
                  .arg(retrievedMs - openedMs));

    const QStringList lines = AnswerBuilder::build(hits, terms);
    if (lines.isEmpty()) {
        log::print(QStringLiteral("No passage in the corpus matches this question."));
    } else {
        for (const QString &line : lines)
            log::print(line);
    }
    log::info(QStringLiteral("timings: open %1 ms, retrieve %2 ms, answer %3 ms, total %4 ms")
                  .arg(openedMs)
                  .arg(retrievedMs - openedMs)
                  .arg(clock.elapsed() - retrievedMs)
                  .arg(clock.elapsed()));
    return 0;
}

} // namespace ragtool
