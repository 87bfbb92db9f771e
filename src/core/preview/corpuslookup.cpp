#include "preview/corpuslookup.h"

#include "i18n/translate.h"
#include "system/filekind.h"
#include "storage/sqliteconnection.h"
#include "storage/sqlitestatement.h"
#include "preview/corpuslocation.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QUrl>

#include <sqlite3.h>

namespace tovik {

namespace {

// A connection that may write, or a plain read-only one, is not enough to leave the
// corpus alone: opening a WAL database creates -wal and -shm when they are missing, the
// last connection to close checkpoints a leftover WAL into the database, and a
// read-write open rolls back a hot journal. So the way of reading is picked from the
// database header and the side files present:
//  - rollback journal: mode=ro, which takes the usual shared locks, so a concurrent
//    ingest is respected and a hot journal makes the query fail rather than be undone;
//  - WAL with -wal and -shm present (rag running, or a crash leftover):
//    readonly_shm=1 reads the committed frames without writing to either file;
//  - WAL without both: immutable=1 reads the database file alone. All committed data is
//    there after a clean close, and a new writer appends to a fresh WAL, not to this
//    file. Only a crash leftover WAL without its -shm goes unread (older rows, no harm).
QString readOnlyUri(const QString &databasePath)
{
    QString options = QStringLiteral("mode=ro");
    QFile file(databasePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray header = file.read(100);
        const bool isSqlite = header.startsWith(QByteArrayView("SQLite format 3\0", 16));
        const bool isWal = isSqlite && header.size() >= 20 && header.at(19) == 2;
        if (isWal) {
            const bool sideFilesPresent = QFileInfo::exists(databasePath + QStringLiteral("-wal"))
                && QFileInfo::exists(databasePath + QStringLiteral("-shm"));
            options += sideFilesPresent ? QStringLiteral("&readonly_shm=1") : QStringLiteral("&immutable=1");
        }
    }
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(databasePath, "/"))
        + QLatin1Char('?') + options;
}

} // namespace

std::optional<QString> CorpusLookup::notice() const
{
    if (!failed)
        return std::nullopt;
    if (!detail)
        return translate(QStringLiteral("corpus.sqlite wasn't found in the working directory."));
    return translated(QStringLiteral("Couldn't open corpus.sqlite: {detail}"), {{QStringLiteral("detail"), *detail}});
}

CorpusConnection openCorpus(const QString &databasePath)
{
    // Opening a named pipe or a device could block for ever, and is no corpus anyway.
    const FileKind kind = fileKind(databasePath);
    if (kind != FileKind::regular && kind != FileKind::missing)
        return CorpusConnection::failed(notRegularFileText(databasePath, kind));
    const sqlite::Opened opened =
        sqlite::open(readOnlyUri(databasePath).toUtf8(), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    if (!opened.database)
        return CorpusConnection::failed(opened.error);
    sqlite3 *handle = opened.database;
    // Belt and braces: no statement on this connection may write, and closing it never
    // checkpoints.
    sqlite::disableCheckpointOnClose(handle);
    SqliteStatement::execute(handle, "PRAGMA query_only = ON");
    return CorpusConnection(handle);
}

SourcePathsQuery sourcePaths(const CorpusConnection &connection, const QString &filename)
{
    if (!connection.isOpen())
        return {{}, connection.failure()};
    SqliteStatement statement(connection.handle(),
                              "SELECT source_path FROM documents WHERE filename = ? ORDER BY ingested_at DESC");
    if (!statement.isPrepared() || !statement.bindText(1, filename))
        return {{}, connection.errorText()};
    QStringList paths;
    int result;
    while ((result = statement.step()) == SQLITE_ROW) {
        if (!statement.columnIsNull(0))
            paths.append(statement.columnText(0));
    }
    if (result != SQLITE_DONE)
        return {{}, connection.errorText()};
    return {paths, std::nullopt};
}

namespace {

// Past this many cited files the lookup asks once for all of them: one query per file
// scans the whole table each time when the corpus has no index on filename.
constexpr qsizetype manyFilenames = 64;

// The source paths of every name in `filenames`, newest first, in one query (the
// names go in as one JSON array, which SQLite turns into a set once). Rows are matched
// back by the stored name, exactly as written. Names the corpus lacks get an empty list.
std::optional<QString> sourcePathsOfMany(const CorpusConnection &connection, const QStringList &filenames,
                                         QHash<QString, QStringList> &paths)
{
    QJsonArray names;
    for (const QString &name : filenames) {
        names.append(name);
        paths.insert(name, {});
    }
    SqliteStatement statement(connection.handle(),
                              "SELECT filename, source_path FROM documents "
                              "WHERE filename IN (SELECT value FROM json_each(?)) ORDER BY ingested_at DESC");
    if (!statement.isPrepared() || !statement.bindUtf8(1, QJsonDocument(names).toJson(QJsonDocument::Compact)))
        return connection.errorText();
    int result;
    while ((result = statement.step()) == SQLITE_ROW) {
        if (statement.columnIsNull(1))
            continue;
        const auto found = paths.find(statement.columnText(0));
        if (found != paths.end())
            found->append(statement.columnText(1));
    }
    if (result != SQLITE_DONE)
        return connection.errorText();
    return std::nullopt;
}

} // namespace

CorpusLookup lookUpSourcePaths(const QStringList &filenames, const QString &workingDirectory)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString &name : filenames) {
        if (!seen.contains(name)) {
            seen.insert(name);
            unique.append(name);
        }
    }
    CorpusLookup lookup;
    if (unique.isEmpty())
        return lookup;

    const std::optional<QString> databasePath = corpusDatabasePath(workingDirectory);
    if (!databasePath) {
        lookup.failed = true;
        return lookup;
    }
    CorpusConnection connection = openCorpus(*databasePath);
    if (!connection.isOpen()) {
        lookup.failed = true;
        lookup.detail = connection.failure();
        return lookup;
    }
    if (unique.size() > manyFilenames) {
        std::optional<QString> failure = sourcePathsOfMany(connection, unique, lookup.sourcePaths);
        connection.close();
        if (failure)
            return {{}, true, failure};
        return lookup;
    }
    for (const QString &name : unique) {
        SourcePathsQuery query = sourcePaths(connection, name);
        if (query.failure) {
            connection.close();
            return {{}, true, query.failure};
        }
        lookup.sourcePaths.insert(name, query.paths);
    }
    connection.close();
    return lookup;
}

} // namespace tovik
