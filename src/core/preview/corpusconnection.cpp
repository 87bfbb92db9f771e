#include "preview/corpusconnection.h"

#include "storage/sqliteconnection.h"
#include "storage/sqlitestatement.h"

#include <sqlite3.h>

#include <utility>

namespace tovik {

CorpusConnection::CorpusConnection(sqlite3 *handle)
    : m_handle(handle)
{
}

CorpusConnection CorpusConnection::failed(const QString &failure)
{
    CorpusConnection connection;
    connection.m_failure = failure;
    return connection;
}

CorpusConnection::~CorpusConnection()
{
    close();
}

CorpusConnection::CorpusConnection(CorpusConnection &&other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
    , m_failure(std::move(other.m_failure))
{
}

CorpusConnection &CorpusConnection::operator=(CorpusConnection &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_failure = std::move(other.m_failure);
    }
    return *this;
}

QString CorpusConnection::errorText() const
{
    return m_handle ? sqliteMessage(m_handle) : m_failure;
}

void CorpusConnection::close()
{
    if (m_handle) {
        sqlite::close(m_handle);
        m_handle = nullptr;
    }
}

} // namespace tovik
