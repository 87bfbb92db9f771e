#pragma once

#include <QString>

struct sqlite3;

namespace tovik {

// A read-only connection to a corpus database, closed when it goes out of scope.
// When opening failed it holds no handle and keeps the reason in failure().
class CorpusConnection final
{
public:
    CorpusConnection() = default;
    explicit CorpusConnection(sqlite3 *handle);
    static CorpusConnection failed(const QString &failure);
    ~CorpusConnection();

    CorpusConnection(CorpusConnection &&other) noexcept;
    CorpusConnection &operator=(CorpusConnection &&other) noexcept;
    CorpusConnection(const CorpusConnection &) = delete;
    CorpusConnection &operator=(const CorpusConnection &) = delete;

    bool isOpen() const { return m_handle != nullptr; }
    sqlite3 *handle() const { return m_handle; }
    // Why opening failed; empty for an open connection.
    QString failure() const { return m_failure; }
    // SQLite's text for the last error on this connection.
    QString errorText() const;

    void close();

private:
    sqlite3 *m_handle = nullptr;
    QString m_failure;
};

} // namespace tovik
