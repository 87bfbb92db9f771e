#pragma once

#include "rag/ragcommanderror.h"
#include "rag/ragline.h"
#include "rag/ragoutputbatch.h"
#include "rag/raglinesplitter.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace tovik {

class RagPipeReader;

// One child process whose standard output and error, merged into one pipe, are
// delivered line by line on the GUI thread. The pipe is the stream's own, read on a
// thread of its own (RagPipeReader) that decodes the output and cuts it into lines;
// the reader runs only so far ahead of the delivery, so a child that floods its output
// waits on the full pipe instead of filling memory, and no line is lost. Lines are
// handed on in slices of a few milliseconds, the clock read every few lines, so a
// flood of output never stalls the event loop. The lines of each batch the reader
// read, and of each slice, end with a call of the batch handler, where a consumer can
// announce them all at once.
// Once the child has exited, what it wrote is read to the end; output that a process
// it left behind writes later is not waited for. The stream deletes itself once the
// child has ended and all is delivered.
class RagOutputStream final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RagOutputStream)

public:
    // `line` is valid during the call only.
    using LineHandler = std::function<void(const RagLine &line)>;
    using BatchHandler = std::function<void()>;
    // `run` is valid during the call only.
    using RunHandler = std::function<void(QStringView run)>;
    // std::nullopt: the output ended normally (or the stream was cancelled).
    using EndHandler = std::function<void(const std::optional<RagCommandError> &error)>;

    // Starts the child in `directory` with exactly `environment`. Handlers run on the
    // GUI thread, and not at all once `context` is gone. `onEnd` runs exactly once,
    // always after the call has returned, and after the batch handler of the last line.
    static RagOutputStream *start(const QString &executable, const QStringList &arguments,
                                  const QString &directory, const QProcessEnvironment &environment,
                                  QObject *context, LineHandler onLine, EndHandler onEnd,
                                  BatchHandler onBatch = {});

    // From now on, two or more lines in a row that each end with LF alone and do not
    // start with one of `stops` go to `onRun` at once, as RagLineSplitter::nextRun
    // gives them; other lines still go to the line handler one by one, all in order. A
    // flood of short lines then costs a few steps per run instead of per line. Called
    // right after start(), before any output is delivered.
    void deliverRuns(const RagLineSplitter::RunStops &stops, RunHandler onRun);

    // Stops delivering, ends the stream normally and asks a running child to terminate
    // (SIGTERM); a child still running after terminationGrace() is killed (SIGKILL).
    // Lines not yet delivered are dropped.
    void cancel();

    // How long a child may take to honour SIGTERM before it is killed; 3 s unless a
    // test sets it. Process-wide.
    static std::chrono::milliseconds terminationGrace();
    static void setTerminationGrace(std::chrono::milliseconds grace);

    // Ends every child still running: SIGTERM to all, one shared grace period, then
    // SIGKILL for the rest, and waits for them; then deletes the streams. Runs by itself
    // when the application object goes away, so quitting leaves no child behind.
    static void endAllChildren();

    // The child's process id while it runs, else 0.
    qint64 processId() const;

private:
    RagOutputStream(QObject *context, LineHandler onLine, EndHandler onEnd, BatchHandler onBatch);
    ~RagOutputStream() override;
    void timerEvent(QTimerEvent *event) override;

    void launch(const QString &executable, const QStringList &arguments, const QString &directory,
                const QProcessEnvironment &environment);
    void receive(std::shared_ptr<RagOutputBatch> batch);
    void schedulePump();
    void pump();
    bool deliver(const QElapsedTimer &slice);
    void finishBatch();
    void endBatch();
    void end(const std::optional<RagCommandError> &error);
    void endLater(const std::optional<RagCommandError> &error);
    void releaseWhenChildEnded();
    void stopChild();
    void closePipe();

    QProcess m_process;
    std::unique_ptr<RagPipeReader> m_reader;
    std::deque<std::shared_ptr<RagOutputBatch>> m_batches; // read, not yet delivered
    std::size_t m_nextItem = 0;  // in the first batch
    bool m_outputEnded = false;  // the last batch has been delivered
    QPointer<QObject> m_context;
    LineHandler m_onLine;
    EndHandler m_onEnd;
    BatchHandler m_onBatch;
    std::optional<RagLineSplitter::RunStops> m_runStops;
    RunHandler m_onRun;
    bool m_batchOpen = false;
    QBasicTimer m_pump; // a pump is due
    bool m_childExited = false;
    bool m_ended = false;
    QProcess::ExitStatus m_exitStatus = QProcess::NormalExit;
    int m_exitCode = 0;
};

} // namespace tovik
