#include "rag/ragcommand.h"

#include "i18n/translate.h"
#include "rag/ragoutputstream.h"
#include "rag/ragpaths.h"
#include "rag/ragresolution.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"

#include <QFileInfo>
#include <QPointer>

namespace tovik {

const QStringList &logPrefixes()
{
    static const QStringList prefixes = {
        QStringLiteral("INFO "), QStringLiteral("WARNING "), QStringLiteral("ERROR "),
        QStringLiteral("DEBUG "), QStringLiteral("CRITICAL "),
    };
    return prefixes;
}

namespace {
// The first letters of the log prefixes.
const RagLineSplitter::RunStops &logLineStarts()
{
    static const RagLineSplitter::RunStops starts = [] {
        QByteArray firsts;
        for (const QString &prefix : logPrefixes())
            firsts.append(prefix.front().toLatin1());
        return RagLineSplitter::RunStops(QLatin1StringView(firsts));
    }();
    return starts;
}
} // namespace

bool isLogLine(QStringView line)
{
    // Most lines are told apart by their first character.
    if (line.isEmpty() || !logLineStarts().contains(line.front().unicode()))
        return false;
    for (const QString &prefix : logPrefixes()) {
        if (line.startsWith(prefix, Qt::CaseSensitive))
            return true;
    }
    return false;
}

std::optional<QString> workingDirectoryURL(const RagSettings &settings)
{
    if (!isDirectoryPath(settings.workingDirectory()))
        return std::nullopt;
    return expandTilde(settings.workingDirectory());
}

namespace {

// The user's PATH comes first, as written; /usr/local/bin, which a desktop session's PATH
// may lack, follows when it exists. An empty PATH is treated as unset (a stray ":" would
// search the current folder): then the system folders that exist.
QString childPath(const QString &path, const QString &systemRoot)
{
    static const QStringList afterUserPath{QStringLiteral("/usr/local/bin")};
    static const QStringList withoutPath{QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin"),
                                         QStringLiteral("/bin"), QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};
    QStringList folders;
    if (!path.isEmpty())
        folders.append(path);
    const QStringList present = path.split(QLatin1Char(':'));
    for (const QString &folder : path.isEmpty() ? withoutPath : afterUserPath) {
        const QString added = systemRoot + folder;
        if (!present.contains(added) && QFileInfo(added).isDir())
            folders.append(added);
    }
    return folders.join(QLatin1Char(':'));
}

} // namespace

QProcessEnvironment commandEnvironment(const QMap<QString, QString> &extra,
                                       const QProcessEnvironment &base, const QString &systemRoot)
{
    QProcessEnvironment environment = base;
    environment.insert(QStringLiteral("PATH"), childPath(environment.value(QStringLiteral("PATH")), systemRoot));
    environment.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("1"));
    const QStringList names = environment.keys();
    for (const QString &name : names) {
        if (name.startsWith(QLatin1String("DYLD_")))
            environment.remove(name);
    }
    for (auto it = extra.cbegin(); it != extra.cend(); ++it) {
        const QString old = environment.value(it.key());
        if (it.key() == QLatin1String("PYTHONPATH") && !old.isEmpty())
            environment.insert(it.key(), it.value() + QLatin1Char(':') + old);
        else
            environment.insert(it.key(), it.value());
    }
    return environment;
}

QProcessEnvironment commandEnvironment(const QMap<QString, QString> &extra, const QString &systemRoot)
{
    return commandEnvironment(extra, QProcessEnvironment::systemEnvironment(), systemRoot);
}

void runRag(RagSession &session, const RagJobPtr &job, const ResolvedCommand &command, const QStringList &arguments,
            RagLineHandler onLine, std::function<void()> done, std::function<void()> onBatch,
            RagRunHandler onAnswerRun)
{
    const RagSettings &settings = *session.settings();
    const auto directory = workingDirectoryURL(settings);
    if (!directory) {
        session.setErrorMessage(translated(QStringLiteral("Working directory does not exist: {path}"),
                                           {{QStringLiteral("path"), settings.workingDirectory()}}));
        done();
        return;
    }
    QPointer<RagSession> guard(&session);
    auto *stream = RagOutputStream::start(
        command.executable, command.leadingArguments + arguments, *directory,
        commandEnvironment(command.extraEnvironment, settings.systemRoot()), &session,
        [job, onLine = std::move(onLine)](const RagLine &line) {
            if (!job->isCancelled())
                onLine(line, isLogLine(line.text()));
        },
        [guard, job, done = std::move(done)](const std::optional<RagCommandError> &error) {
            if (!guard)
                return;
            if (error && !job->isCancelled())
                guard->setErrorMessage(error->description());
            done();
        },
        std::move(onBatch));
    if (onAnswerRun) {
        // A line that starts like a log line goes on by itself, to be told apart.
        stream->deliverRuns(logLineStarts(),
                            [job, onAnswerRun = std::move(onAnswerRun)](QStringView lines) {
                                if (!job->isCancelled())
                                    onAnswerRun(lines);
                            });
    }
    job->attach(stream);
}

} // namespace tovik
