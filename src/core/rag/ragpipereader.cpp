#include "rag/ragpipereader.h"

#include <QByteArray>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace tovik {

namespace {
// Bytes taken from the pipe at a time: each read that completes lines makes a batch.
constexpr qint64 chunkSize = 64 * 1024;

// At most `bytes` from `fd` into `buffer`, as read(2) returns them.
qint64 readSome(int fd, QByteArray &buffer, qint64 bytes)
{
    qint64 got;
    do {
        got = ::read(fd, buffer.data(), size_t(bytes));
    } while (got < 0 && errno == EINTR);
    return got;
}
} // namespace

struct RagPipeReader::State
{
    RagLineSplitter splitter;
    QByteArray buffer{int(chunkSize), Qt::Uninitialized};
    bool open = true;       // the pipe may still give output
    qint64 leftAtExit = -1; // once the child has exited: the bytes it left in the pipe
    qint64 unposted = 0;    // bytes read since the last batch
};

RagPipeReader::RagPipeReader(int pipe, Post post)
    : m_pipe(pipe)
    , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_post(std::move(post))
{
}

RagPipeReader::~RagPipeReader()
{
    m_stop = true;
    if (m_thread.joinable()) {
        wake();
        m_thread.join();
    }
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_pipe >= 0)
        ::close(m_pipe);
}

void RagPipeReader::start(std::optional<RagLineSplitter::RunStops> stops)
{
    if (m_thread.joinable() || !isValid())
        return;
    m_stops = stops;
    m_thread = std::thread([this] {
        pthread_setname_np(pthread_self(), "rag output");
        run();
    });
}

void RagPipeReader::delivered(qint64 bytes)
{
    if (m_pending.fetch_sub(bytes) - bytes < aheadBytes && m_waiting.exchange(false))
        wake();
}

void RagPipeReader::childExited()
{
    m_exited = true;
    wake();
}

void RagPipeReader::discard()
{
    m_discard = true;
    wake();
}

void RagPipeReader::wake()
{
    const quint64 one = 1;
    while (::write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// Whether the reader may read on. If not, it says it waits, and a delivery wakes it;
// the second look catches a delivery that came before it said so.
bool RagPipeReader::mayReadAhead()
{
    if (m_pending.load() < aheadBytes)
        return true;
    m_waiting = true;
    if (m_pending.load() < aheadBytes) {
        m_waiting = false;
        return true;
    }
    return false;
}

void RagPipeReader::run()
{
    State state;
    while (!m_stop.load()) {
        const bool discarding = m_discard.load();
        if (state.open && discarding) {
            state.open = dropAvailable(state);
        } else if (state.open) {
            if (state.leftAtExit < 0 && m_exited.load()) {
                // All the child wrote is in the pipe now: what comes after it is from a
                // process it left behind, and is not waited for.
                int unread = 0;
                if (::ioctl(m_pipe, FIONREAD, &unread) != 0)
                    unread = 0;
                state.leftAtExit = unread;
            }
            if (mayReadAhead())
                readAvailable(state);
        }
        // A stop comes with a wake: the poll returns at once.
        pollfd watched[2] = {{m_wake, POLLIN, 0}, {m_pipe, POLLIN, 0}};
        const bool watchPipe = state.open && (m_discard.load() || mayReadAhead());
        while (::poll(watched, watchPipe ? 2 : 1, -1) < 0 && errno == EINTR) {
        }
        if (watched[0].revents != 0) {
            quint64 count;
            while (::read(m_wake, &count, sizeof count) < 0 && errno == EINTR) {
            }
        }
    }
}

// Reads what the pipe holds, a chunk at most, and posts the lines it completes.
void RagPipeReader::readAvailable(State &state)
{
    bool atEnd = state.leftAtExit == 0;
    std::optional<QString> error;
    if (!atEnd) {
        // A chunk decodes to at most as many characters: the batch's text is made once.
        state.splitter.reserveFor(chunkSize);
        const qint64 want = state.leftAtExit > 0 ? std::min(chunkSize, state.leftAtExit) : chunkSize;
        const qint64 got = readSome(m_pipe, state.buffer, want);
        if (got > 0) {
            state.splitter.feed(QByteArrayView(state.buffer.constData(), got));
            state.unposted += got;
            if (state.leftAtExit > 0)
                state.leftAtExit -= got;
            atEnd = state.leftAtExit == 0;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return; // nothing for now
        } else {
            if (got < 0)
                error = QString::fromLocal8Bit(std::strerror(errno));
            atEnd = true; // the end of the output, or an error
        }
    }
    if (atEnd) {
        state.splitter.finish();
        state.open = false;
    }

    auto batch = std::make_shared<RagOutputBatch>();
    QStringView line;
    for (;;) {
        bool run = false;
        if (m_stops && state.splitter.nextRun(line, *m_stops))
            run = true;
        else if (!state.splitter.next(line))
            break;
        batch->items.push_back({state.splitter.offsetOf(line), line.size(), run});
    }
    if (batch->items.empty() && !atEnd)
        return; // an unfinished line: its bytes go with the batch that completes it
    batch->text = state.splitter.takeBuffer();
    batch->bytes = std::exchange(state.unposted, 0);
    batch->ended = atEnd;
    batch->readError = std::move(error);
    m_pending += batch->bytes;
    m_post(std::move(batch));
}

// Reads and drops what the pipe holds: false once it holds nothing more at all.
bool RagPipeReader::dropAvailable(State &state)
{
    qint64 got;
    while ((got = readSome(m_pipe, state.buffer, chunkSize)) > 0) {
    }
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

} // namespace tovik
