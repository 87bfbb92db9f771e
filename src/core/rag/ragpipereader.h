#pragma once

#include "rag/ragoutputbatch.h"
#include "rag/raglinesplitter.h"

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tovik {

// Reads a child's output pipe on a thread of its own: waits for output, reads it,
// decodes it and cuts it into lines, and hands the complete lines on in batches.
// Reading, decoding and cutting are most of what a flood of output costs, and they
// leave the GUI thread free for what only it can do with the lines.
//
// The reader runs ahead of the consumer by at most aheadBytes of output; then the
// child waits on the full pipe, and no line is lost or held without bound. The
// consumer reports each batch it has handed on with delivered().
class RagPipeReader final
{
    Q_DISABLE_COPY_MOVE(RagPipeReader)

public:
    // Called on the reading thread, once per batch, in order.
    using Post = std::function<void(std::shared_ptr<RagOutputBatch> batch)>;

    static constexpr qint64 aheadBytes = qint64(1) << 20;

    // Takes `pipe`, the non-blocking read end (closed by the destructor).
    RagPipeReader(int pipe, Post post);
    // Stops reading and waits for the thread, which never blocks on anything but the
    // pipe and this object.
    ~RagPipeReader();

    // False when the reader could not be set up (no descriptors left).
    bool isValid() const { return m_wake >= 0; }

    // Starts reading. With `stops`, runs of lines are taken as RagLineSplitter::nextRun
    // gives them.
    void start(std::optional<RagLineSplitter::RunStops> stops);
    // The consumer is done with a batch of `bytes` bytes of output.
    void delivered(qint64 bytes);
    // The child has exited: what is in the pipe now is read, then the output ends, even
    // if a process the child left behind still holds the pipe open.
    void childExited();
    // From now on output is read and dropped, so that the child never waits on it, and
    // no batch is posted.
    void discard();

private:
    struct State;
    void run();
    bool mayReadAhead();
    void readAvailable(State &state);
    bool dropAvailable(State &state);
    void wake();

    int m_pipe = -1;
    int m_wake = -1; // an eventfd: commands from the consumer
    Post m_post;
    std::optional<RagLineSplitter::RunStops> m_stops;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_discard{false};
    std::atomic<bool> m_exited{false};
    std::atomic<bool> m_waiting{false}; // the reader waits for the consumer
    std::atomic<qint64> m_pending{0};   // bytes posted and not yet delivered
};

} // namespace tovik
