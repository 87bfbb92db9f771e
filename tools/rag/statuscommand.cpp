#include "commands.h"

#include "corpusdatabase.h"
#include "log.h"
#include "projectlocation.h"

#include <QFileInfo>

namespace ragtool {

int runStatus()
{
    const ProjectLocation location = ProjectLocation::locate(workingDirectory(), homeDirectory());
    if (location.isFallback && !location.projectFileExists)
        log::print(QStringLiteral("Project folder: %1 (no rag.toml above the working directory; this per-user "
                                  "project is made on the first ingest)")
                       .arg(location.projectDir));
    else
        log::print(QStringLiteral("Project folder: %1").arg(location.projectDir));
    log::print(QStringLiteral("Data directory: %1").arg(location.dataDir));

    const QString corpusPath = location.corpusPath();
    if (!QFileInfo::exists(corpusPath)) {
        log::print(QStringLiteral("Corpus: none yet; nothing has been ingested (%1 will be made by the first ingest)")
                       .arg(corpusPath));
        log::print(QStringLiteral("Documents: 0"));
        log::print(QStringLiteral("Passages: 0"));
        return 0;
    }
    QString error;
    const std::unique_ptr<CorpusDatabase> corpus = CorpusDatabase::open(corpusPath, CorpusDatabase::Access::read, &error);
    CorpusDatabase::Counts counts;
    if (!corpus || !corpus->counts(&counts, &error)) {
        log::error(QStringLiteral("Can't read the corpus %1: %2").arg(corpusPath, error));
        return 1;
    }
    log::print(QStringLiteral("Corpus: %1").arg(corpusPath));
    if (counts.ingestions > counts.documents)
        log::print(QStringLiteral("Documents: %1 (%2 ingestions)").arg(counts.documents).arg(counts.ingestions));
    else
        log::print(QStringLiteral("Documents: %1").arg(counts.documents));
    log::print(QStringLiteral("Passages: %1").arg(counts.passages));
    if (!counts.lastFilename.isEmpty())
        log::print(QStringLiteral("Last ingested: %1 at %2").arg(counts.lastFilename, counts.lastIngestedAt));
    return 0;
}

} // namespace ragtool
