#pragma once

#include <QFuture>
#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace tovik::test {

// A rag project folder made on the spot: rag.toml, data/corpus.sqlite and the files
// its rows point at.
class PreviewProject final
{
public:
    PreviewProject();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const;

    // A row of documents(filename, source_path, ingested_at); a null path is NULL.
    struct Row
    {
        QString filename;
        QString sourcePath;
        QString ingestedAt = QStringLiteral("2024-05-01T10:00:00");
    };
    // (Re)writes data/corpus.sqlite with these rows.
    bool writeCorpus(const QList<Row> &rows) const;

private:
    QTemporaryDir m_dir;
};

// `count` Letter pages, page n showing "Page n" in large type; with `colour` the
// text is red (a page that is not all gray).
bool writePagesPdf(const QString &path, int count, bool colour = false);

// Letter pages turned by `rotation` degrees through /Rotate.
bool writeRotatedPdf(const QString &path, int rotation);

// A citation marker as rag writes it.
QString marker(const QString &filename, qint64 page);

// Spins the event loop until the load has ended.
bool waitFor(const QFuture<void> &future, int timeoutMs = 30'000);

} // namespace tovik::test
