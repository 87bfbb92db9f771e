#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Path tests for finding rag and its project folder. Synchronous, no side effects.
// Paths are taken as typed; a leading "~" means the home directory.
namespace tovik {

// The path with a leading "~" replaced by the home directory ("~" alone, or "~/...").
QString expandTilde(const QString &path);

// True when the expanded path exists and is a directory.
bool isDirectoryPath(const QString &path);

// True when the expanded path is not empty, is not an existing directory and is an
// executable file for the current user.
bool isExecutableRag(const QString &path);

// How many folders projectRoot examines, walking upwards from the start.
inline constexpr int projectRootSearchDepth = 8;

// The nearest folder, at most `projectRootSearchDepth` folders up, that holds rag.toml.
std::optional<QString> projectRoot(const QString &path);

// A project root that is also a source checkout (its src/ragcli/cli.py is readable).
std::optional<QString> sourceCheckoutRoot(const QString &path);

// The interpreters tried for a checkout, in order. `systemRoot` is put before the
// fixed system locations; it is empty except in tests.
QStringList pythonCandidates(const QString &root, const QString &systemRoot = {});

// The first usable Python interpreter for a checkout, returned as written.
std::optional<QString> pythonForCheckout(const QString &root, const QString &systemRoot = {});

} // namespace tovik
