#include "preview/sqlitestatement.h"

#include <sqlite3.h>

namespace tovik {

SqliteStatement::SqliteStatement(sqlite3 *connection, const char *sql)
    : m_prepareResult(sqlite3_prepare_v2(connection, sql, -1, &m_statement, nullptr))
{
    if (m_prepareResult != SQLITE_OK)
        finalize();
}

SqliteStatement::~SqliteStatement()
{
    finalize();
}

int SqliteStatement::bindText(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    return sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

int SqliteStatement::step()
{
    return sqlite3_step(m_statement);
}

bool SqliteStatement::columnIsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString SqliteStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
}

void SqliteStatement::finalize()
{
    if (m_statement) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

} // namespace tovik
