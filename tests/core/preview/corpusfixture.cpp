#include "corpusfixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/stat.h>

namespace tovik::test {

namespace {

sqlite3 *createDatabase(const QString &databasePath)
{
    QDir().mkpath(QFileInfo(databasePath).absolutePath());
    QFile::remove(databasePath);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(databasePath).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        qFatal("can't create %s", qPrintable(databasePath));
    return db;
}

void exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s: %s", sql, sqlite3_errmsg(db));
}

CorpusFiles::File fileState(const QString &path)
{
    CorpusFiles::File file;
    struct stat info{};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return file;
    file.exists = true;
    file.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    QFile content(path);
    if (content.open(QIODevice::ReadOnly))
        file.bytes = content.readAll();
    return file;
}

QString describeFile(const char *name, const CorpusFiles::File &file)
{
    if (!file.exists)
        return QStringLiteral("%1: none").arg(QLatin1String(name));
    return QStringLiteral("%1: %2 bytes sha256 %3 mtime %4")
        .arg(QLatin1String(name))
        .arg(file.bytes.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(file.bytes, QCryptographicHash::Sha256).toHex().left(12)))
        .arg(file.modifiedNs);
}

} // namespace

void makeCorpus(const QString &databasePath, const QList<CorpusRow> &rows, JournalMode mode)
{
    sqlite3 *db = createDatabase(databasePath);
    if (mode == JournalMode::wal)
        exec(db, "PRAGMA journal_mode = WAL");
    exec(db, "CREATE TABLE documents (id INTEGER PRIMARY KEY, filename TEXT NOT NULL, source_path TEXT, "
             "ingested_at TEXT NOT NULL)");
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO documents (filename, source_path, ingested_at) VALUES (?, ?, ?)", -1,
                       &insert, nullptr);
    for (const CorpusRow &row : rows) {
        const QByteArray filename = row.filename.toUtf8();
        const QByteArray source = row.sourcePath.toUtf8();
        const QByteArray ingested = row.ingestedAt.toUtf8();
        sqlite3_bind_text(insert, 1, filename.constData(), -1, SQLITE_TRANSIENT);
        if (row.sourcePath.isNull())
            sqlite3_bind_null(insert, 2);
        else
            sqlite3_bind_text(insert, 2, source.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, ingested.constData(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE)
            qFatal("insert: %s", sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

void makeDatabase(const QString &databasePath, const char *schema)
{
    sqlite3 *db = createDatabase(databasePath);
    exec(db, schema);
    sqlite3_close(db);
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        qFatal("can't write %s", qPrintable(path));
}

CorpusFiles CorpusFiles::of(const QString &databasePath)
{
    return {fileState(databasePath), fileState(databasePath + QStringLiteral("-wal")),
            fileState(databasePath + QStringLiteral("-shm")), fileState(databasePath + QStringLiteral("-journal"))};
}

QString CorpusFiles::describe() const
{
    return QStringList{describeFile("db", database), describeFile("-wal", wal), describeFile("-shm", shm),
                       describeFile("-journal", journal)}
        .join(QStringLiteral("; "));
}

CorpusWriter::CorpusWriter(const QString &mode, const QString &databasePath)
    : m_process(std::make_unique<QProcess>())
{
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(QStringLiteral(TOVIK_CORPUS_WRITER), {mode, databasePath});
    if (!m_process->waitForStarted(10'000))
        return;
    while (!m_process->canReadLine() && m_process->waitForReadyRead(10'000)) {
    }
    m_ready = m_process->readLine().trimmed() == "ready";
    if (mode.startsWith(QLatin1String("crash")))
        m_process->waitForFinished(10'000);
}

CorpusWriter::~CorpusWriter()
{
    finish();
}

void CorpusWriter::finish()
{
    if (m_process->state() == QProcess::NotRunning)
        return;
    m_process->closeWriteChannel();
    if (!m_process->waitForFinished(10'000)) {
        m_process->kill();
        m_process->waitForFinished();
    }
}

} // namespace tovik::test
