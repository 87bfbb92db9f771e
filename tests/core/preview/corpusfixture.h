#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>

#include <memory>

namespace tovik::test {

struct CorpusRow
{
    QString filename;
    QString sourcePath; // a null QString is stored as NULL
    QString ingestedAt;
};

enum class JournalMode { rollback, wal };

// Creates a corpus database (and its folders) with a `documents` table holding `rows`,
// the way rag lays it out, and closes it again.
void makeCorpus(const QString &databasePath, const QList<CorpusRow> &rows, JournalMode mode = JournalMode::rollback);
// A database that has no `documents` table, or one lacking `ingested_at`.
void makeDatabase(const QString &databasePath, const char *schema);

void writeFile(const QString &path, const QByteArray &contents);

// Everything about a database file and its -wal, -shm and -journal side files that a
// reader must leave alone: existence, bytes and modification time (nanoseconds).
struct CorpusFiles
{
    struct File
    {
        bool exists = false;
        QByteArray bytes;
        qint64 modifiedNs = 0;
        friend bool operator==(const File &, const File &) = default;
    };
    File database, wal, shm, journal;
    friend bool operator==(const CorpusFiles &, const CorpusFiles &) = default;

    static CorpusFiles of(const QString &databasePath);
    QString describe() const;
};

// The corpus_writer helper running in its own process.
class CorpusWriter final
{
public:
    // Starts it in `mode` and waits until it has done its writing.
    CorpusWriter(const QString &mode, const QString &databasePath);
    ~CorpusWriter();
    bool isReady() const { return m_ready; }
    // Lets a holding writer roll back and exit; waits for the process to end.
    void finish();

private:
    std::unique_ptr<QProcess> m_process;
    bool m_ready = false;
};

} // namespace tovik::test
