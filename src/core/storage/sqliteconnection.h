#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

struct sqlite3;

namespace tovik {

// The connection calls the stores make, so that only this library links SQLite. Flags
// and result codes are SQLite's own (sqlite3.h).
namespace sqlite {

struct Opened
{
    sqlite3 *database = nullptr; // null on failure
    QString error;               // on failure: SQLite's message, or "unknown"
    int code = 0;                // on failure: SQLite's result code, when it told one
};

// sqlite3_open_v2 of a file name (or URI, with SQLITE_OPEN_URI) in the file system's
// encoding. A connection that failed to open is closed again.
Opened open(const QByteArray &fileName, int flags);
// Null is allowed.
void close(sqlite3 *database);
void setBusyTimeout(sqlite3 *database, int milliseconds);
int errorCode(sqlite3 *database);
qint64 lastInsertRowId(sqlite3 *database);
// Closing the connection never checkpoints the write-ahead log.
void disableCheckpointOnClose(sqlite3 *database);

} // namespace sqlite
} // namespace tovik
