#pragma once

#include "system/loginshell.h"

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace tovik {
class RagSettings;
}

namespace tovik::test {

// A login shell that prints what the test says, one event-loop turn later.
class FakeLoginShell final : public LoginShell
{
public:
    LoginShellOutput output; // default: could not be started
    int runs = 0;
    QString lastCommand;

    void run(const QString &command, QObject *context, Done done) override;
};

// The fake rag program built beside the tests.
QString fakeRagPath();

// Writes an executable shell script that runs the fake rag with `arguments`.
void writeScript(const QString &path, const QString &body);

// Creates `path` (and its folders) with `contents` and the given executable bit.
void writeFile(const QString &path, const QByteArray &contents = {}, bool executable = false);

// Settings whose search sees only `scratch`: the fixed system locations and the folder
// beside the executable point into it, and the login shell is `shell`.
void confine(RagSettings &settings, const QString &scratch, std::shared_ptr<FakeLoginShell> shell);

// Confined settings (a login shell that cannot start) that run the fake rag in `scratch`.
std::unique_ptr<RagSettings> fakeRagSettings(const QString &scratch);

// Makes a source checkout under `root`: rag.toml, src/ragcli/cli.py and, unless
// `withPython` is false, .venv/bin/python (a script running the fake rag).
void makeCheckout(const QString &root, bool withPython = true);

// Runs a real event loop until `condition` holds (true) or `timeoutMs` passes (false).
// Unlike QTest::qWaitFor it does not sleep between turns, so pipes drain at full speed.
bool spinUntil(const std::function<bool()> &condition, int timeoutMs = 20000);

} // namespace tovik::test
