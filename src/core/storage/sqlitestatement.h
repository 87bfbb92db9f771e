#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

namespace tovik {

// One prepared statement, finalized when the wrapper goes out of scope, so no
// early return can leak it. Failures are reported as SQLite result codes; the
// caller reads the connection's message for the user.
class SqliteStatement final
{
public:
    SqliteStatement(sqlite3 *database, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // False when preparing failed.
    bool isPrepared() const { return m_statement != nullptr; }
    bool columnIsNull(int column) const;

    // Binds UTF-8 text that SQLite copies. The byte length is passed explicitly,
    // so a text holding U+0000 is stored whole instead of being cut at it.
    bool bindText(int index, const QString &text);
    bool bindUtf8(int index, QByteArrayView utf8);
    bool bindInt64(int index, qint64 value);

    // The SQLite result code: SQLITE_ROW, SQLITE_DONE or an error.
    int step();
    // Makes the statement ready to run again; false when its last run failed.
    bool reset();
    void clearBindings();

    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    // NULL gives the empty text.
    QString columnText(int column) const;
    // The column's raw UTF-8 bytes, valid until the next step; empty for NULL.
    const char *columnBytes(int column, qsizetype *size) const;

    // Runs SQL text (one or more statements) without results. Returns the error
    // text on failure: what the execution reported, else the connection's message.
    static std::optional<QString> execute(sqlite3 *database, const char *sql);

private:
    sqlite3_stmt *m_statement = nullptr;
};

// The connection's current error message, as text for "{detail}".
QString sqliteMessage(sqlite3 *database);

} // namespace tovik
