#include "ragtestsupport.h"

#include "rag/ragsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QTimer>

namespace tovik::test {

void FakeLoginShell::run(const QString &command, QObject *context, Done done)
{
    ++runs;
    lastCommand = command;
    QTimer::singleShot(0, context, [result = output, done = std::move(done)] { done(result); });
}

QString fakeRagPath()
{
    return QStringLiteral(TOVIK_FAKE_RAG);
}

void writeFile(const QString &path, const QByteArray &contents, bool executable)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(contents);
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (executable)
        permissions |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    file.setPermissions(permissions);
}

void writeScript(const QString &path, const QString &body)
{
    writeFile(path, ("#!/bin/sh\n" + body + "\n").toUtf8(), true);
}

void confine(RagSettings &settings, const QString &scratch, std::shared_ptr<FakeLoginShell> shell)
{
    settings.setSystemRoot(scratch + QStringLiteral("/system"));
    settings.setBesideExecutableFolder(scratch + QStringLiteral("/app"));
    settings.setLoginShell(std::move(shell));
}

std::unique_ptr<RagSettings> fakeRagSettings(const QString &scratch)
{
    auto settings = std::make_unique<RagSettings>();
    confine(*settings, scratch, std::make_shared<FakeLoginShell>());
    settings->setRagPath(fakeRagPath());
    settings->setWorkingDirectory(scratch);
    return settings;
}

void makeCheckout(const QString &root, bool withPython)
{
    writeFile(root + QStringLiteral("/rag.toml"), "data_dir = \"data\"\n");
    writeFile(root + QStringLiteral("/src/ragcli/cli.py"), "def main():\n    return 0\n");
    if (withPython)
        writeScript(root + QStringLiteral("/.venv/bin/python"), QStringLiteral("exec '%1' \"$@\"").arg(fakeRagPath()));
}

bool spinUntil(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start(2);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

} // namespace tovik::test
