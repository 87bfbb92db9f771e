#include "rag/ragoutputstream.h"

#include "system/logcategories.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <QTimerEvent>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tovik {

namespace {
// Bytes taken from the process buffer at a time, and how long one event-loop turn may
// spend delivering lines before it lets other events through.
constexpr qint64 chunkSize = 16 * 1024;
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
    delete m_readable;
    m_readable = nullptr;
    if (m_pipe >= 0)
        ::close(m_pipe);
    m_pipe = -1;
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
    m_pipe = ends[0];
    m_readBuffer.resize(chunkSize);
    ::fcntl(m_pipe, F_SETFL, ::fcntl(m_pipe, F_GETFL) | O_NONBLOCK);
    // Failing (an older kernel, a lower limit in /proc/sys/fs/pipe-max-size) leaves the
    // default size.
    ::fcntl(m_pipe, F_SETPIPE_SZ, pipeBytes);

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

    m_readable = new QSocketNotifier(m_pipe, QSocketNotifier::Read, this);
    connect(m_readable, &QSocketNotifier::activated, this, &RagOutputStream::schedulePump);
    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus status) {
        m_childExited = true;
        m_exitCode = exitCode;
        m_exitStatus = status;
        // All the child wrote is in the pipe now; what is written after this is from
        // a process it left behind, and is not waited for.
        int unread = 0;
        if (m_pipe >= 0 && ::ioctl(m_pipe, FIONREAD, &unread) != 0)
            unread = 0;
        m_leftAtExit = unread;
        if (m_ended)
            deleteLater();
        else
            schedulePump(); // what is still in the pipe is delivered before the status
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
    if (m_ended) {
        discardOutput();
        return;
    }
    // The pipe stays readable until it is read: no more reports until a pump has run.
    if (m_readable)
        m_readable->setEnabled(false);
    // A timer, not a posted event: a flood of output then takes its turns among the
    // other timers (the views' frames among them) instead of ahead of all of them.
    if (!m_pump.isActive())
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
    if (m_ended)
        return;
    if (!m_childExited) {
        if (m_readable)
            m_readable->setEnabled(true);
        return;
    }
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
        } else if (!readChunk()) {
            return true;
        }
        if (++steps % 16 == 0 && slice.elapsed() >= sliceMilliseconds)
            return false;
    }
    return true;
}

// Reads what the pipe holds, a chunk at most, into the splitter: false when it held
// nothing for now, or nothing more at all.
bool RagOutputStream::readChunk()
{
    if (m_pipe < 0 || m_leftAtExit == 0)
        return false;
    const qint64 got = readPipe(m_leftAtExit > 0 ? std::min<qint64>(chunkSize, m_leftAtExit) : chunkSize);
    if (got > 0) {
        if (m_leftAtExit > 0)
            m_leftAtExit -= got;
        m_splitter.feed(QByteArrayView(m_readBuffer.constData(), got));
        return true;
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return false;
    if (got < 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        qCInfo(lcRag) << "couldn't read the output of" << m_process.program() << ":" << reason;
        endLater(RagCommandError::other(reason));
        stopChild();
        releaseWhenChildEnded();
    }
    closePipe(); // the end of the output, or an error
    return false;
}

// A cancelled child may still write on its way out (a last log line, a report of what
// it cleaned up): it is read and dropped, so that it never waits on a full pipe.
void RagOutputStream::discardOutput()
{
    qint64 got;
    while ((got = readPipe(chunkSize)) > 0) {
    }
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
        closePipe();
}

// At most `bytes` from the pipe into the read buffer, as read(2) returns them.
qint64 RagOutputStream::readPipe(qint64 bytes)
{
    qint64 got;
    do {
        got = ::read(m_pipe, m_readBuffer.data(), size_t(bytes));
    } while (got < 0 && errno == EINTR);
    return got;
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
    if (m_readable)
        m_readable->setEnabled(true); // from now on what comes is dropped as it comes
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
