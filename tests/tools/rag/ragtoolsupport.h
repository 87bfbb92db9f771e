#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Helpers for running the rag executable in temporary projects and looking at what it left.
namespace ragtest {

struct RagRun
{
    int exitCode = -1;
    bool crashed = false;
    QStringList out; // standard output lines
    QStringList err; // standard error lines
};

QString ragExecutable();

RagRun runRag(const QStringList &args, const QString &workingDirectory, int timeoutMs = 180000);

bool isLogLine(const QString &line);

// The desktop app's citation marker pattern, compiled the way it compiles it.
struct Citation
{
    QString filename;
    qint64 page = 0;
};
QList<Citation> citations(const QString &text);

bool writeFile(const QString &path, const QByteArray &bytes);

// Office files with one paragraph per text (docx) or one text box per slide (pptx).
bool makeDocx(const QString &path, const QStringList &paragraphs);
bool makePptx(const QString &path, const QStringList &slides);

// The desktop app's lookup query, run the way it opens the corpus (read-only).
QStringList sourcePaths(const QString &corpusPath, const QString &filename);
qint64 rowCount(const QString &corpusPath, const QString &table);
// "ok" when SQLite's integrity check and the full-text index's own check both pass.
QString integrityCheck(const QString &corpusPath);

} // namespace ragtest
