#include "sqlstatement.h"

#include <sqlite3.h>

namespace ragtool {

SqlStatement::SqlStatement(sqlite3 *db, const char *sql)
{
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_statement);
}

bool SqlStatement::bind(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    return sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqlStatement::bind(int index, qint64 value)
{
    return sqlite3_bind_int64(m_statement, index, value) == SQLITE_OK;
}

int SqlStatement::step()
{
    return sqlite3_step(m_statement);
}

bool SqlStatement::reset()
{
    return sqlite3_reset(m_statement) == SQLITE_OK && sqlite3_clear_bindings(m_statement) == SQLITE_OK;
}

qint64 SqlStatement::columnInt(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqlStatement::columnDouble(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString SqlStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column)) : QString();
}

bool execute(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString lastError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

} // namespace ragtool
