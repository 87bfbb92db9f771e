#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace tovik {

// One prepared SQLite statement, finalized when it goes out of scope. Result codes are
// SQLite's own; error texts come from the connection.
class SqliteStatement final
{
public:
    SqliteStatement(sqlite3 *connection, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // The result of the prepare (SQLITE_OK on success).
    int prepareResult() const { return m_prepareResult; }
    bool isPrepared() const { return m_statement != nullptr; }

    int bindText(int index, const QString &value);
    int step();
    bool columnIsNull(int column) const;
    QString columnText(int column) const;

    void finalize();

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_prepareResult = 0;
};

} // namespace tovik
