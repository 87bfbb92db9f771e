#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace tovik {

// What a login shell printed for one command.
struct LoginShellOutput
{
    bool started = false;    // false when the shell could not be started (or timed out)
    bool exitedNormally = false;
    int exitCode = -1;
    QByteArray standardOutput;

    bool operator==(const LoginShellOutput &) const = default;
};

// Runs one command in the user's login shell, so that a PATH set up in the user's
// profile is seen. Called on the GUI thread; `done` runs later on the GUI thread,
// and not at all once `context` is gone. Never blocks the caller.
class LoginShell
{
public:
    using Done = std::function<void(const LoginShellOutput &)>;

    virtual ~LoginShell() = default;
    virtual void run(const QString &command, QObject *context, Done done) = 0;
};

// The user's own shell from the password database (/bin/sh when that names none),
// started as `<shell> -lc <command>` with the application's directory and environment,
// standard error and input on the null device. A shell still running after
// `timeoutMs` is stopped and counts as not started.
class SystemLoginShell final : public LoginShell
{
public:
    explicit SystemLoginShell(int timeoutMs = 15000);

    void run(const QString &command, QObject *context, Done done) override;

    // The program run() starts.
    static QString userShell();

private:
    int m_timeoutMs;
};

std::shared_ptr<LoginShell> makeSystemLoginShell();

} // namespace tovik
