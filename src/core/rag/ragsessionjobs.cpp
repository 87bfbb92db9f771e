// The jobs of a RagSession: status check, ask, ingest queue, and "Use This Path".
#include "rag/ragsession.h"

#include "i18n/translate.h"
#include "rag/ragcommand.h"
#include "rag/ragpaths.h"
#include "rag/ragresolution.h"
#include "rag/ragsettings.h"

#include <QFileInfo>

namespace tovik {

namespace {
void complete(const RagSession::Completion &done)
{
    if (done)
        done();
}
} // namespace

// Every job ends by starting the next queued file, the status check included, so that
// files dropped while any job ran never wait for a later drop or ask. A cancelled job
// touches nothing: the cancel has already settled the session's state.

void RagSession::checkStatus(Completion done)
{
    const auto generation = beginJob(translate(QStringLiteral("Checking status")));
    if (!generation) {
        complete(done);
        return;
    }
    startJob([this, generation = *generation, done = std::move(done)](const RagJobPtr &job) {
        runStatusJob(job, generation, done);
    });
}

void RagSession::runStatusJob(const RagJobPtr &job, quint64 generation, Completion done)
{
    JobRun run;
    run.arguments = {QStringLiteral("status")};
    run.onLine = [this](const RagLine &line, bool) { m_settings->appendStatusLine(line.text().toString()); };
    run.onStart = [this] { m_settings->setStatusText(QString()); };
    run.onNotFound = [this, generation, done] {
        m_settings->setStatusText(notFoundMessage(*m_settings));
        finishJob(generation);
        startNextIngest();
        complete(done);
    };
    run.onEnd = [this, generation, done] {
        finishJob(generation);
        startNextIngest();
        complete(done);
    };
    run.onCancel = [done] { complete(done); };
    runJob(job, std::move(run));
}

// Every job runs the same way: rag is resolved once, then run with the job's arguments.
void RagSession::runJob(const RagJobPtr &job, JobRun run)
{
    if (job->isCancelled()) {
        complete(run.onCancel);
        return;
    }
    resolveCommand(*m_settings, this, [this, job, run = std::move(run)](const std::optional<ResolvedCommand> &command) {
        if (job->isCancelled()) {
            complete(run.onCancel);
            return;
        }
        if (!command) {
            run.onNotFound();
            return;
        }
        complete(run.onStart);
        runRag(*this, job, *command, run.arguments, run.onLine,
               [this, job, onEnd = run.onEnd, onCancel = run.onCancel] {
                   announceAppends();
                   if (job->isCancelled())
                       complete(onCancel);
                   else
                       onEnd();
               },
               [this] { announceAppends(); }, run.onAnswerRun);
    });
}

void RagSession::ask()
{
    const QString question = m_question.trimmed();
    if (question.isEmpty())
        return;
    const auto generation = beginJob(translate(QStringLiteral("Waiting for rag…")));
    if (!generation) {
        setNotice(translate(QStringLiteral("Wait for the current job to finish before asking.")));
        return;
    }
    setAsking(true);
    setAnswerText(QString());
    setLogText(QString());
    startJob([this, question, generation = *generation](const RagJobPtr &job) {
        runAskJob(job, question, generation);
    });
}

void RagSession::runAskJob(const RagJobPtr &job, const QString &question, quint64 generation)
{
    JobRun run;
    run.arguments = {QStringLiteral("ask"), question};
    run.onLine = [this](const RagLine &line, bool isLog) {
        if (isLog)
            addLogLine(line);
        else
            addAnswerLine(line);
    };
    run.onAnswerRun = [this](QStringView lines) { addAnswerLines(lines); };
    run.onNotFound = [this, generation] {
        setErrorMessage(notFoundMessage(*m_settings));
        finishJob(generation);
        startNextIngest();
    };
    run.onEnd = [this, generation] {
        finishJob(generation);
        startNextIngest();
    };
    runJob(job, std::move(run));
}

void RagSession::enqueue(const QList<QUrl> &locations)
{
    QList<QUrl> accepted;
    for (const QUrl &location : locations) {
        if (!location.isLocalFile())
            continue;
        const QFileInfo file(location.toLocalFile());
        // A folder is never ingestible, whatever its name ends with.
        if (file.isDir())
            continue;
        if (ingestibleExtensions().contains(file.suffix().toLower()))
            accepted.append(location);
    }
    if (accepted.isEmpty()) {
        setErrorMessage(translate(QStringLiteral(
            "This item isn't supported. Ingest accepts pdf, docx, pptx, text, and images, one file at a time.")));
        return;
    }
    setQueue(m_ingestQueue + accepted);
    if (const qsizetype skipped = locations.size() - accepted.size(); skipped > 0) {
        setNotice(translated(QStringLiteral("Skipped {count} unsupported items."),
                             {{QStringLiteral("count"), QString::number(skipped)}}));
    }
    startNextIngest();
}

void RagSession::startNextIngest()
{
    if (m_isBusy || m_ingestQueue.isEmpty()) {
        setQueue(m_ingestQueue);
        return;
    }
    QList<QUrl> queue = m_ingestQueue;
    const QUrl location = queue.takeFirst();
    setQueue(queue);
    const auto generation = beginJob(translated(QStringLiteral("Ingest {name}"),
                                                {{QStringLiteral("name"), QFileInfo(location.toLocalFile()).fileName()}}));
    if (!generation) {
        queue.prepend(location);
        setQueue(queue);
        return;
    }
    setLogText(QString());
    startJob([this, location, generation = *generation](const RagJobPtr &job) {
        runIngestJob(job, location, generation);
    });
}

// Files reach the session through the file chooser or a drop; Linux needs no grant of
// access to them, so there is nothing to request or release around the run.
void RagSession::runIngestJob(const RagJobPtr &job, const QUrl &location, quint64 generation)
{
    JobRun run;
    run.arguments = {QStringLiteral("ingest"), QFileInfo(location.toLocalFile()).absoluteFilePath()};
    run.onLine = [this](const RagLine &line, bool) { addLogLine(line); };
    run.onNotFound = [this, generation] {
        setErrorMessage(notFoundMessage(*m_settings));
        setQueue({});
        finishJob(generation);
    };
    run.onEnd = [this, generation] {
        finishJob(generation);
        startNextIngest();
    };
    runJob(job, std::move(run));
}

void RagSession::applyRagPath(Completion done)
{
    clearNotice();
    const QString expanded = expandTilde(m_settings->ragPath());
    const bool isFolder = !expanded.isEmpty() && QFileInfo(expanded).isDir();
    if (isFolder) {
        if (!projectRoot(expanded)) {
            setErrorMessage(translate(QStringLiteral(
                "This path is a folder, not an executable rag. A corpus folder must contain rag.toml. "
                "Put that folder in the working directory.")));
            complete(done);
            return;
        }
    } else if (isExecutableRag(expanded)) {
        m_settings->setRagPath(expanded);
    } else {
        setErrorMessage(translate(QStringLiteral("This path is not an executable rag.")));
        complete(done);
        return;
    }

    resolveCommand(*m_settings, this, [this, isFolder, done = std::move(done)](const std::optional<ResolvedCommand> &command) {
        if (!command) {
            setErrorMessage(notFoundMessage(*m_settings));
            complete(done);
            return;
        }
        if (isFolder) {
            const QString folder = m_settings->workingDirectory();
            const QString english = sourceCheckoutRoot(folder)
                ? QStringLiteral("Working directory set to {path}, using the program inside it.")
                : QStringLiteral("Working directory set to {path}.");
            setNotice(translated(english, {{QStringLiteral("path"), folder}}));
        }
        checkStatus(done);
    });
}

} // namespace tovik
