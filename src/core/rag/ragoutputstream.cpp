#include "rag/ragoutputstream.h"

#include "system/logcategories.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSet>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace tovik {

namespace {
// Bytes taken from the process buffer at a time, and how long one event-loop turn may
// spend delivering lines before it lets other events through.
constexpr qint64 chunkSize = 16 * 1024;
constexpr qint64 sliceMilliseconds = 4;
// The pipe the child writes to holds this much, where the system allows it (64 KB by
// default): a child that floods its output then hands over a megabyte per event-loop
// turn instead of 64 KB, and the per-turn work (announcing, laying out, painting) is
// paid sixteen times less often.
constexpr int pipeBytes = 1 << 20;
// How long endAllChildren waits for a killed child to be reaped.
constexpr int reapMilliseconds = 1000;

std::chrono::milliseconds g_terminationGrace{3000};

// Every stream not yet deleted, so that quitting can end their children. GUI thread only.
QSet<RagOutputStream *> &liveStreams()
{
    static QSet<RagOutputStream *> streams;
    return streams;
}
} // namespace

RagOutputStream::RagOutputStream(QObject *context, LineHandler onLine, EndHandler onEnd, BatchHandler onBatch)
    : m_context(context)
    , m_onLine(std::move(onLine))
    , m_onEnd(std::move(onEnd))
    , m_onBatch(std::move(onBatch))
{
    static const bool endsChildrenAtQuit = [] {
        qAddPostRoutine(&RagOutputStream::endAllChildren);
        return true;
    }();
    Q_UNUSED(endsChildrenAtQuit);
    liveStreams().insert(this);
}

RagOutputStream::~RagOutputStream()
{
    liveStreams().remove(this);
}

std::chrono::milliseconds RagOutputStream::terminationGrace()
{
    return g_terminationGrace;
}

void RagOutputStream::setTerminationGrace(std::chrono::milliseconds grace)
{
    g_terminationGrace = grace;
}

void RagOutputStream::endAllChildren()
{
    QList<QProcess *> running;
    for (RagOutputStream *stream : std::as_const(liveStreams())) {
        if (stream->m_process.state() != QProcess::NotRunning) {
            stream->m_process.terminate();
            running.append(&stream->m_process);
        }
    }
    const QDeadlineTimer grace(g_terminationGrace);
    for (QProcess *process : std::as_const(running)) {
        if (process->state() != QProcess::NotRunning)
            process->waitForFinished(int(std::max<qint64>(grace.remainingTime(), 0)));
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(reapMilliseconds);
        }
    }
}

RagOutputStream *RagOutputStream::start(const QString &executable, const QStringList &arguments,
                                        const QString &directory, const QProcessEnvironment &environment,
                                        QObject *context, LineHandler onLine, EndHandler onEnd,
                                        BatchHandler onBatch)
{
    // Parentless: it must outlive its consumer until the child has ended, because
    // destroying a running QProcess kills the child and waits for it on this thread.
    auto *stream = new RagOutputStream(context, std::move(onLine), std::move(onEnd), std::move(onBatch));
    stream->launch(executable, arguments, directory, environment);
    return stream;
}

void RagOutputStream::launch(const QString &executable, const QStringList &arguments,
                             const QString &directory, const QProcessEnvironment &environment)
{
    m_process.setProgram(executable);
    m_process.setArguments(arguments);
    m_process.setWorkingDirectory(directory);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setInputChannelMode(QProcess::ForwardedInputChannel);
    // Runs in the child between fork and exec: only async-signal-safe calls. Standard
    // output and error share the one pipe. Failing (an older kernel, a lower limit in
    // /proc/sys/fs/pipe-max-size) leaves the default size.
    m_process.setChildProcessModifier([] { ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, pipeBytes); });

    connect(&m_process, &QProcess::readyReadStandardOutput, this, &RagOutputStream::schedulePump);
    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_childExited = true;
        m_exitCode = exitCode;
        m_exitStatus = status;
        if (m_ended)
            deleteLater();
        else
            schedulePump(); // what is still buffered is delivered before the status
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (m_ended)
            return;
        if (error == QProcess::FailedToStart) {
            qCInfo(lcRag) << "couldn't start" << m_process.program() << ":" << m_process.errorString();
            endLater(RagCommandError::launch(m_process.errorString()));
            releaseWhenChildEnded();
        } else if (error == QProcess::ReadError || error == QProcess::UnknownError) {
            endLater(RagCommandError::other(m_process.errorString()));
            stopChild();
            releaseWhenChildEnded();
        }
        // Crashed is reported by `finished`, after the remaining output.
    });
    qCInfo(lcRag).noquote() << "started" << (QStringList{executable} + arguments).join(QLatin1Char(' ')) << "in"
                            << directory;
    m_process.start();
}

void RagOutputStream::deliverRuns(const RagLineSplitter::RunStops &stops, RunHandler onRun)
{
    m_runStops = stops;
    m_onRun = std::move(onRun);
}

qint64 RagOutputStream::processId() const
{
    return m_process.processId();
}

void RagOutputStream::schedulePump()
{
    if (m_pumpScheduled || m_ended)
        return;
    m_pumpScheduled = true;
    QTimer::singleShot(0, this, &RagOutputStream::pump);
}

void RagOutputStream::pump()
{
    m_pumpScheduled = false;
    if (m_ended)
        return;
    QElapsedTimer slice;
    slice.start();
    const bool drained = deliver(slice);
    endBatch();
    if (!drained) {
        schedulePump();
        return;
    }
    if (m_ended || !m_childExited || m_process.bytesAvailable() > 0)
        return;
    m_splitter.finish();
    if (!deliver(slice)) {
        endBatch();
        schedulePump(); // lines are left for the next turn; finish() again changes nothing
        return;
    }
    endBatch();
    if (m_ended)
        return;
    if (m_exitStatus == QProcess::CrashExit)
        qCInfo(lcRag) << "rag" << m_process.arguments().value(0) << "ended by signal" << m_exitCode;
    else
        qCInfo(lcRag) << "rag" << m_process.arguments().value(0) << "exited with status" << m_exitCode;
    if (m_exitStatus == QProcess::CrashExit)
        end(RagCommandError::signal(m_exitCode));
    else if (m_exitCode != 0)
        end(RagCommandError::exit(m_exitCode));
    else
        end(std::nullopt);
    deleteLater();
}

// Hands over buffered lines, reading more output when none is complete, until the
// process has nothing more for now (true) or the slice is used up (false).
bool RagOutputStream::deliver(const QElapsedTimer &slice)
{
    QStringView line;
    // The clock is read every few steps (a line or run handed over, or a chunk read):
    // steps take microseconds, a slice milliseconds.
    int steps = 0;
    while (!m_ended) {
        if (m_runStops && m_splitter.nextRun(line, *m_runStops)) {
            if (m_context) {
                m_batchOpen = true;
                m_onRun(line);
            }
        } else if (m_splitter.next(line)) {
            if (m_context) {
                m_batchOpen = true;
                m_onLine(RagLine(line, &m_splitter));
            }
        } else {
            const QByteArray chunk = m_process.read(chunkSize);
            if (chunk.isEmpty())
                return true;
            m_splitter.feed(chunk);
        }
        if (++steps % 16 == 0 && slice.elapsed() >= sliceMilliseconds)
            return false;
    }
    return true;
}

void RagOutputStream::endBatch()
{
    if (!m_batchOpen)
        return;
    m_batchOpen = false;
    if (m_onBatch && m_context)
        m_onBatch();
}

void RagOutputStream::end(const std::optional<RagCommandError> &error)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_context)
        m_onEnd(error);
}

void RagOutputStream::endLater(const std::optional<RagCommandError> &error)
{
    if (m_ended)
        return;
    m_ended = true;
    if (!m_context)
        return;
    QTimer::singleShot(0, m_context.data(), [onEnd = m_onEnd, error] { onEnd(error); });
}

void RagOutputStream::releaseWhenChildEnded()
{
    if (m_process.state() == QProcess::NotRunning)
        deleteLater();
    // otherwise `finished` deletes the stream
}

void RagOutputStream::cancel()
{
    if (m_ended)
        return;
    endLater(std::nullopt);
    stopChild();
    releaseWhenChildEnded();
}

void RagOutputStream::stopChild()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    // A child that ignores SIGTERM would otherwise outlive its job. The stream lives
    // until the child has ended, so the timer goes with it.
    QTimer::singleShot(g_terminationGrace, this, [this] {
        if (m_process.state() != QProcess::NotRunning)
            m_process.kill();
    });
}

} // namespace tovik
