#include "system/loginshell.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

namespace tovik {

namespace {

// Holds every shell still running, under the application object: a shell outlives the
// tab that started it, but not the application. Shells left then (hung, or stopped and
// not yet reaped) are stopped and reaped here, without reporting to anyone.
class RunningShells final : public QObject
{
public:
    using QObject::QObject;

    ~RunningShells() override
    {
        for (QProcess *process : findChildren<QProcess *>(Qt::FindDirectChildrenOnly)) {
            process->disconnect();
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(1000);
            }
        }
    }
};

QObject *runningShells()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return nullptr;
    static QPointer<RunningShells> owner;
    if (!owner)
        owner = new RunningShells(application);
    return owner;
}

} // namespace

SystemLoginShell::SystemLoginShell(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{
}

QString SystemLoginShell::userShell()
{
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_shell && *entry->pw_shell) {
        const QString shell = QFile::decodeName(entry->pw_shell);
        if (::access(entry->pw_shell, X_OK) == 0 && !QFileInfo(shell).isDir())
            return shell;
    }
    return QStringLiteral("/bin/sh");
}

void SystemLoginShell::run(const QString &command, QObject *context, Done done)
{
    // Not owned by the caller: the process must outlive a closed tab until the shell has
    // ended, because destroying a running QProcess waits for it on this thread.
    auto *process = new QProcess(runningShells());
    process->setProgram(userShell());
    process->setArguments({QStringLiteral("-lc"), command});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());

    auto output = std::make_shared<LoginShellOutput>();
    auto finished = std::make_shared<bool>(false);
    QPointer<QObject> guard(context);
    auto finish = [process, output, finished, guard, done = std::move(done)] {
        if (*finished)
            return;
        *finished = true;
        if (process->state() == QProcess::NotRunning)
            process->deleteLater();
        else
            process->kill(); // only after the time-out; deleted on `finished`
        if (guard)
            done(*output);
    };

    QObject::connect(process, &QProcess::readyReadStandardOutput, process, [process, output] {
        output->standardOutput += process->readAllStandardOutput();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, output, finished, finish](int exitCode, QProcess::ExitStatus status) {
        if (*finished) {
            process->deleteLater();
            return;
        }
        output->standardOutput += process->readAllStandardOutput();
        output->started = true;
        output->exitedNormally = status == QProcess::NormalExit;
        output->exitCode = exitCode;
        finish();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish();
    });
    // A profile that waits for input or hangs must not keep a job busy for ever.
    QTimer::singleShot(m_timeoutMs, process, [output, finish] {
        output->started = false;
        output->standardOutput.clear();
        finish();
    });
    process->start();
}

std::shared_ptr<LoginShell> makeSystemLoginShell()
{
    return std::make_shared<SystemLoginShell>();
}

} // namespace tovik
