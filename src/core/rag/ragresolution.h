#pragma once

#include "rag/resolvedcommand.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;

// Turns the settings into a way of starting rag. Everything runs on the GUI thread;
// asking the login shell is the one step that waits, so the operations that may need
// it report through a callback. A callback runs on the GUI thread, possibly before the
// call returns when nothing had to be waited for, and never once `context` is gone.
namespace tovik {

class LoginShell;
struct LoginShellOutput;
class RagSettings;

using PathCallback = std::function<void(const std::optional<QString> &path)>;
using ResolveCallback = std::function<void(const std::optional<ResolvedCommand> &command)>;

// The folder searchForRag looks in first: the project root of the working directory,
// else the working directory itself when it is a directory.
std::optional<QString> searchBaseFolder(const RagSettings &settings);

// The locations searchForRag tries before the login shell, in order.
QStringList ragSearchCandidates(const RagSettings &settings);

// The first executable candidate, else what the login shell finds when that is an
// executable rag, else none.
void searchForRag(const RagSettings &settings, QObject *context, PathCallback done);

// "command -v rag" in the user's login shell: the trimmed output when the shell ran,
// exited with 0 and printed exactly one line of valid UTF-8, else none.
void loginShellLookup(LoginShell &shell, QObject *context, PathCallback done);

// The path in what a login shell printed for "command -v rag", or none.
std::optional<QString> parseLoginShellPath(const LoginShellOutput &output);

// An executable ragPath, else a source checkout run through its Python, else the
// result of searchForRag. May move workingDirectory to the project root named by
// ragPath, and stores a found rag in ragPath so the next resolution is direct.
void resolveCommand(RagSettings &settings, QObject *context, ResolveCallback done);

// The words that start a checkout's command line interface through Python.
QStringList checkoutLeadingArguments();

// Why resolution failed, translated.
QString notFoundMessage(const RagSettings &settings);

} // namespace tovik
