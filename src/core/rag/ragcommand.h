#pragma once

#include "rag/ragjob.h"
#include "rag/ragline.h"
#include "rag/resolvedcommand.h"

#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Running rag for a session job: resolution, working directory, environment, and the
// merged output split into lines, each marked as log or not.
namespace tovik {

class RagSession;
class RagSettings;

// The five log-level words a log line begins with, each with its trailing space.
const QStringList &logPrefixes();

// True when the line begins with one of logPrefixes() (exact case).
bool isLogLine(QStringView line);

// The expanded working directory when it exists and is a directory.
std::optional<QString> workingDirectoryURL(const RagSettings &settings);

// The child's environment: `base` with its PATH kept first and /usr/local/bin after it
// when that exists and is missing (the system folders that exist when PATH is unset),
// PYTHONUNBUFFERED=1, no DYLD_* variables, and the extra entries merged (an extra
// PYTHONPATH goes before a non-empty existing one). `systemRoot` goes before the
// system folders, as in RagSettings.
QProcessEnvironment commandEnvironment(const QMap<QString, QString> &extra,
                                       const QProcessEnvironment &base, const QString &systemRoot = {});
// The same, starting from the application's own environment.
QProcessEnvironment commandEnvironment(const QMap<QString, QString> &extra, const QString &systemRoot = {});

// `line` is valid during the call only.
using RagLineHandler = std::function<void(const RagLine &line, bool isLog)>;
// Answer lines, each followed by LF, in one view valid during the call only.
using RagRunHandler = std::function<void(QStringView lines)>;

// Runs the resolved rag `command` in the session's working directory with `arguments`
// after its leading ones. Each output line goes to `onLine` in
// order; a failure is written to the session's errorMessage (a cancelled job writes
// nothing). `done` runs once the output has ended, the run failed or `job` was
// cancelled. `onBatch`, when given, runs after every run of lines delivered in one
// event-loop turn, and before `done`. `onAnswerRun`, when given, takes two or more
// answer lines in a row at once, where a flood of short lines would cost a call each:
// lines that cannot be log lines and end with LF. All run on the GUI thread and not at
// all once the session is gone.
void runRag(RagSession &session, const RagJobPtr &job, const ResolvedCommand &command, const QStringList &arguments,
            RagLineHandler onLine, std::function<void()> done, std::function<void()> onBatch = {},
            RagRunHandler onAnswerRun = {});

} // namespace tovik
