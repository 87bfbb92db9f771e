#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace ragtool {

// One prepared statement, finalized when it goes out of scope.
class SqlStatement final
{
public:
    SqlStatement(sqlite3 *db, const char *sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement &) = delete;
    SqlStatement &operator=(const SqlStatement &) = delete;

    bool isValid() const { return m_statement != nullptr; }

    bool bind(int index, const QString &value);
    bool bind(int index, qint64 value);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    bool reset();

    qint64 columnInt(int column) const;
    double columnDouble(int column) const;
    QString columnText(int column) const;

private:
    sqlite3_stmt *m_statement = nullptr;
};

// Runs statements without results; false on the first failure.
bool execute(sqlite3 *db, const char *sql);

QString lastError(sqlite3 *db);

} // namespace ragtool
