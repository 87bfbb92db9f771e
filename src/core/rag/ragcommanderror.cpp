#include "rag/ragcommanderror.h"

#include "i18n/translate.h"

#include <cstring>

namespace tovik {

QString RagCommandError::description() const
{
    switch (m_kind) {
    case Kind::launch:
    case Kind::other:
        return m_message;
    case Kind::exit:
        return translated(QStringLiteral("rag exited with code {code}."),
                          {{QStringLiteral("code"), QString::number(m_code)}});
    case Kind::signal:
        // A crash must never read as success; name the signal so it can be looked into.
        return translated(QStringLiteral("rag was stopped by signal {signal} ({name})."),
                          {{QStringLiteral("signal"), QString::number(m_code)},
                           {QStringLiteral("name"), QString::fromLocal8Bit(::strsignal(m_code))}});
    }
    return m_message;
}

} // namespace tovik
