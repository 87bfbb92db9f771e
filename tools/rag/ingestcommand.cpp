#include "commands.h"

#include "corpusdatabase.h"
#include "documentreader.h"
#include "log.h"
#include "passagesplitter.h"
#include "projectlocation.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace ragtool {

namespace {

// Checks that need no reading: a file that fails them leaves everything untouched.
bool checkFile(const QFileInfo &info, DocumentReader::Format format, QString *error)
{
    if (!info.exists()) {
        *error = QStringLiteral("No such file: %1").arg(info.filePath());
        return false;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("Not a file: %1").arg(info.filePath());
        return false;
    }
    if (format == DocumentReader::Format::unsupported) {
        *error = QStringLiteral("Unsupported file type “%1”: %2 (rag reads %3)")
                     .arg(info.suffix().isEmpty() ? QStringLiteral("no extension") : QLatin1Char('.') + info.suffix(),
                          info.filePath(), DocumentReader::supportedSuffixes().join(QStringLiteral(", ")));
        return false;
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Can't read %1: %2").arg(info.filePath(), file.errorString());
        return false;
    }
    return true;
}

} // namespace

int runIngest(const QString &argument)
{
    QElapsedTimer clock;
    clock.start();
    const QFileInfo info(QDir(workingDirectory()).absoluteFilePath(argument));
    const QString sourcePath = QDir::cleanPath(info.absoluteFilePath());
    const QString filename = info.fileName();
    const DocumentReader::Format format = DocumentReader::formatOf(sourcePath);
    QString error;
    if (!checkFile(info, format, &error)) {
        log::error(error);
        return 1;
    }
    if (filename.contains(QLatin1Char('[')) || filename.contains(QLatin1Char(']')))
        log::warning(QStringLiteral("the name %1 has square brackets, so citations of it can't be linked back to the "
                                    "file; rename it to avoid that")
                         .arg(filename));

    ProjectLocation location = ProjectLocation::locate(workingDirectory(), homeDirectory());
    log::info(QStringLiteral("ingesting %1 into %2").arg(sourcePath, location.corpusPath()));

    // Everything is read before the corpus is touched, so a failure or a kill during the
    // slow part changes nothing.
    ExtractedDocument document;
    if (!DocumentReader::read(sourcePath, format, &document, &error)) {
        log::error(QStringLiteral("Can't read %1: %2").arg(filename, error));
        return 1;
    }
    const QList<Passage> passages = PassageSplitter::split(document.pages);
    if (passages.isEmpty()) {
        log::error(QStringLiteral("No text found in %1; nothing was added to the corpus.").arg(filename));
        return 1;
    }
    const qint64 readMs = clock.elapsed();
    log::info(QStringLiteral("read %1 page(s) in %2 ms").arg(document.pageCount).arg(readMs));

    if (!location.prepareForWriting(&error)) {
        log::error(error);
        return 1;
    }
    const std::unique_ptr<CorpusDatabase> corpus =
        CorpusDatabase::open(location.corpusPath(), CorpusDatabase::Access::write, &error);
    if (!corpus) {
        log::error(QStringLiteral("Can't open the corpus %1: %2").arg(location.corpusPath(), error));
        return 1;
    }
    log::info(QStringLiteral("writing %1 passages").arg(passages.size()));
    QString ingestedAt;
    const CorpusDatabase::NewDocument row{filename, sourcePath, document.kind, document.pageCount};
    if (!corpus->addDocument(row, passages, &ingestedAt, &error)) {
        log::error(QStringLiteral("Can't write %1 to the corpus: %2").arg(filename, error));
        return 1;
    }
    log::info(QStringLiteral("stored in %1 ms (total %2 ms)").arg(clock.elapsed() - readMs).arg(clock.elapsed()));
    log::print(QStringLiteral("Ingested %1: %2 page(s), %3 passage(s).")
                   .arg(filename)
                   .arg(document.pageCount)
                   .arg(passages.size()));
    return 0;
}

} // namespace ragtool
