#pragma once

#include <QString>

namespace tovik {

// Why one run of rag failed.
class RagCommandError final
{
public:
    enum class Kind {
        launch,  // the child could not be started; `message` is the system's reason
        exit,    // the child exited with a status other than 0
        signal,  // the child was killed by a signal it did not ask for (a crash)
        other,   // reading its output failed; `message` is the system's reason
    };

    static RagCommandError launch(const QString &message) { return {Kind::launch, message, 0}; }
    static RagCommandError exit(int code) { return {Kind::exit, {}, code}; }
    static RagCommandError signal(int number) { return {Kind::signal, {}, number}; }
    static RagCommandError other(const QString &message) { return {Kind::other, message, 0}; }

    Kind kind() const { return m_kind; }
    QString message() const { return m_message; }
    int code() const { return m_code; } // exit status or signal number

    // The text for the user: system messages as they are, the rest translated.
    QString description() const;

    bool operator==(const RagCommandError &) const = default;

private:
    RagCommandError(Kind kind, QString message, int code)
        : m_kind(kind), m_message(std::move(message)), m_code(code) {}

    Kind m_kind;
    QString m_message;
    int m_code;
};

} // namespace tovik
