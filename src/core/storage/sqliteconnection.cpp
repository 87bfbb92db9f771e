#include "storage/sqliteconnection.h"

#include <sqlite3.h>

namespace tovik::sqlite {

Opened open(const QByteArray &fileName, int flags)
{
    sqlite3 *database = nullptr;
    if (sqlite3_open_v2(fileName.constData(), &database, flags, nullptr) == SQLITE_OK)
        return {database, {}, SQLITE_OK};
    Opened failed;
    failed.error = database ? QString::fromUtf8(sqlite3_errmsg(database)) : QStringLiteral("unknown");
    failed.code = database ? sqlite3_errcode(database) : SQLITE_OK;
    sqlite3_close_v2(database);
    return failed;
}

void close(sqlite3 *database)
{
    sqlite3_close_v2(database);
}

void setBusyTimeout(sqlite3 *database, int milliseconds)
{
    sqlite3_busy_timeout(database, milliseconds);
}

int errorCode(sqlite3 *database)
{
    return sqlite3_errcode(database);
}

qint64 lastInsertRowId(sqlite3 *database)
{
    return sqlite3_last_insert_rowid(database);
}

void disableCheckpointOnClose(sqlite3 *database)
{
    sqlite3_db_config(database, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

} // namespace tovik::sqlite
