#include "rag/ragoutputstream.h"

#include "rag/ragpipereader.h"
#include "system/logcategories.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSet>
#include <QTimer>
#include <QTimerEvent>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tovik {

namespace {
// How long one event-loop turn may spend delivering lines before it lets other events
// through.
constexpr qint64 sliceMilliseconds = 4;
// The pipe the child writes to holds this much, where the system allows it (64 KB by
// default): a child that floods its output can write a megabyte ahead of the reader
// instead of 64 KB, and is woken sixteen times less often.
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
    closePipe();
}

void RagOutputStream::closePipe()
{
    m_reader.reset();
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
    // No event loop is left to delete them later. A stream whose child could not be
    // reaped is left as it is: deleting it would wait for the child once more.
    const QSet<RagOutputStream *> streams = liveStreams();
    for (RagOutputStream *stream : streams) {
        if (stream->m_process.state() == QProcess::NotRunning)
            delete stream;
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
    int ends[2] = {-1, -1};
    int childEnd = -1;
    if (::pipe2(ends, O_CLOEXEC) == 0) {
        childEnd = ends[1];
        // The child's copies go to its descriptors 1 and 2; one of those numbers here
        // would be closed by the first copy.
        if (childEnd <= STDERR_FILENO) {
            childEnd = ::fcntl(ends[1], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            ::close(ends[1]);
        }
    }
    if (childEnd < 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        qCInfo(lcRag) << "couldn't make a pipe for" << executable << ":" << reason;
        if (ends[0] >= 0)
            ::close(ends[0]);
        endLater(RagCommandError::launch(reason));
        deleteLater();
        return;
    }
    ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
    // Failing (an older kernel, a lower limit in /proc/sys/fs/pipe-max-size) leaves the
    // default size.
    ::fcntl(ends[0], F_SETPIPE_SZ, pipeBytes);
    m_reader = std::make_unique<RagPipeReader>(ends[0], [this](std::shared_ptr<RagOutputBatch> batch) {
        // On the reader's thread: the batch goes to this thread's event loop. The
        // reader is stopped before the stream goes.
        QMetaObject::invokeMethod(
            this, [this, batch = std::move(batch)]() mutable { receive(std::move(batch)); }, Qt::QueuedConnection);
    });
    if (!m_reader->isValid()) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        qCInfo(lcRag) << "couldn't set up reading the output of" << executable << ":" << reason;
        m_reader.reset();
        ::close(childEnd);
        endLater(RagCommandError::launch(reason));
        deleteLater();
        return;
    }

    m_process.setProgram(executable);
    m_process.setArguments(arguments);
    m_process.setWorkingDirectory(directory);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.setInputChannelMode(QProcess::ForwardedInputChannel);
    // Runs in the child between fork and exec: only async-signal-safe calls. Standard
    // output and error both become the stream's pipe; the copies made here survive
    // exec, the original is closed by it.
    m_process.setChildProcessModifier([childEnd] {
        ::dup2(childEnd, STDOUT_FILENO);
        ::dup2(childEnd, STDERR_FILENO);
    });

    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_childExited = true;
        m_exitCode = exitCode;
        m_exitStatus = status;
        if (m_ended)
            deleteLater();
        else if (m_reader && !m_outputEnded)
            m_reader->childExited(); // what is still in the pipe is delivered before the status
        else
            schedulePump();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (m_ended)
            return;
        if (error == QProcess::FailedToStart) {
            qCInfo(lcRag) << "couldn't start" << m_process.program() << ":" << m_process.errorString();
            endLater(RagCommandError::launch(m_process.errorString()));
            closePipe();
            releaseWhenChildEnded();
        }
        // Crashed is reported by `finished`, after the remaining output.
    });
    qCInfo(lcRag).noquote() << "started" << (QStringList{executable} + arguments).join(QLatin1Char(' ')) << "in"
                            << directory;
    m_process.start();
    // The child has its copies (or never started): this end would keep the pipe open.
    ::close(childEnd);
    // Reading starts once the caller has said how (deliverRuns).
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_reader)
                m_reader->start(m_runStops);
        },
        Qt::QueuedConnection);
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

void RagOutputStream::receive(std::shared_ptr<RagOutputBatch> batch)
{
    if (m_ended)
        return;
    m_batches.push_back(std::move(batch));
    schedulePump();
}

void RagOutputStream::schedulePump()
{
    // A timer, not a posted event: a flood of output then takes its turns among the
    // other timers (the views' frames among them) instead of ahead of all of them.
    if (!m_ended && !m_pump.isActive())
        m_pump.start(0, this);
}

void RagOutputStream::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_pump.timerId())
        return QObject::timerEvent(event);
    m_pump.stop();
    pump();
}

void RagOutputStream::pump()
{
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
    if (m_ended || !m_outputEnded || !m_childExited)
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

// Hands over the lines read so far, until none is left (true) or the slice is used up
// (false).
bool RagOutputStream::deliver(const QElapsedTimer &slice)
{
    // The clock is read every few steps (a line or run handed over): steps take
    // microseconds, a slice milliseconds.
    int steps = 0;
    while (!m_ended && !m_batches.empty()) {
        // Held here: a handler that cancels the stream drops the batches.
        const std::shared_ptr<RagOutputBatch> batch = m_batches.front();
        if (m_nextItem == batch->items.size()) {
            finishBatch();
            endBatch();
            continue;
        }
        const RagOutputBatch::Item item = batch->items[m_nextItem++];
        const QStringView text = QStringView(batch->text).sliced(item.start, item.size);
        if (m_context) {
            m_batchOpen = true;
            if (item.run)
                m_onRun(text);
            else // a line alone in its batch may take the batch's text
                m_onLine(RagLine(text, batch->items.size() == 1 && item.start == 0 ? &batch->text : nullptr));
        }
        if (++steps % 16 == 0 && slice.elapsed() >= sliceMilliseconds)
            return false;
    }
    return true;
}

// The first batch is delivered: the reader may read on.
void RagOutputStream::finishBatch()
{
    const std::shared_ptr<RagOutputBatch> batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_nextItem = 0;
    if (m_reader)
        m_reader->delivered(batch->bytes);
    if (batch->ended)
        m_outputEnded = true;
    if (batch->readError) {
        qCInfo(lcRag) << "couldn't read the output of" << m_process.program() << ":" << *batch->readError;
        endLater(RagCommandError::other(*batch->readError));
        stopChild();
        releaseWhenChildEnded();
    }
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
    m_batches.clear();
    if (m_reader)
        m_reader->discard(); // from now on what comes is dropped as it comes
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
