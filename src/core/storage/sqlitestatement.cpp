#include "storage/sqlitestatement.h"

#include <sqlite3.h>

namespace tovik {

SqliteStatement::SqliteStatement(sqlite3 *database, const char *sql)
{
    if (sqlite3_prepare_v2(database, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

bool SqliteStatement::bindText(int index, const QString &text)
{
    return bindUtf8(index, text.toUtf8());
}

bool SqliteStatement::bindUtf8(int index, QByteArrayView utf8)
{
    // An empty view may have no data pointer, which SQLite would bind as NULL.
    return sqlite3_bind_text64(m_statement, index, utf8.isNull() ? "" : utf8.data(), sqlite3_uint64(utf8.size()),
                               SQLITE_TRANSIENT, SQLITE_UTF8)
        == SQLITE_OK;
}

bool SqliteStatement::bindInt64(int index, qint64 value)
{
    return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

int SqliteStatement::step()
{
    return sqlite3_step(m_statement);
}

bool SqliteStatement::reset()
{
    return sqlite3_reset(m_statement) == SQLITE_OK;
}

void SqliteStatement::clearBindings()
{
    sqlite3_clear_bindings(m_statement);
}

double SqliteStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

qint64 SqliteStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::columnText(int column) const
{
    qsizetype size = 0;
    const char *bytes = columnBytes(column, &size);
    QString text = QString::fromUtf8(bytes, size);
    // Decoding reserves a unit per byte, but a Chinese character takes three bytes and
    // one unit: a saved history would hold up to three times its size for the whole
    // run. Give the rest back (the allocator shrinks the block in place).
    if (text.capacity() - text.size() > 16 + text.size() / 16)
        text.squeeze();
    return text;
}

const char *SqliteStatement::columnBytes(int column, qsizetype *size) const
{
    // sqlite3_column_text first, then _bytes: that order gives the UTF-8 length.
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    *size = bytes ? sqlite3_column_bytes(m_statement, column) : 0;
    return bytes;
}

std::optional<QString> SqliteStatement::execute(sqlite3 *database, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(database, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return std::nullopt;
    const QString message = error ? QString::fromUtf8(error) : sqliteMessage(database);
    sqlite3_free(error);
    return message;
}

QString sqliteMessage(sqlite3 *database)
{
    return QString::fromUtf8(sqlite3_errmsg(database));
}

bool SqliteStatement::columnIsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

} // namespace tovik
