#include "rag/ragpipereader.h"

#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <memory>
#include <thread>

using namespace tovik;

namespace {

// The GUI thread's side of a reader: batches arrive through the event loop, as they do
// for an output stream.
class Receiver final : public QObject
{
    Q_OBJECT

public:
    RagPipeReader::Post post()
    {
        return [this](std::shared_ptr<RagOutputBatch> batch) {
            QMetaObject::invokeMethod(
                this, [this, batch] { received.push_back(batch); }, Qt::QueuedConnection);
        };
    }
    // Every line received, runs cut into their lines, and the bytes they came from.
    QStringList lines() const
    {
        QStringList all;
        for (const auto &batch : received) {
            for (const RagOutputBatch::Item &item : batch->items) {
                const QString text = batch->text.sliced(item.start, item.size);
                all += item.run ? text.split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList{text};
            }
        }
        return all;
    }
    qint64 bytes() const
    {
        qint64 sum = 0;
        for (const auto &batch : received)
            sum += batch->bytes;
        return sum;
    }
    bool ended() const { return !received.empty() && received.back()->ended; }

    std::deque<std::shared_ptr<RagOutputBatch>> received;
};

struct Pipe
{
    int read = -1;
    int write = -1;
    Pipe()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
            read = ends[0];
            write = ends[1];
        }
    }
    ~Pipe() { closeWrite(); } // the read end belongs to the reader
    void closeWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
    // Writes without blocking as much of `bytes` as the pipe takes.
    qint64 put(const QByteArray &bytes) const { return ::write(write, bytes.constData(), size_t(bytes.size())); }
};

QByteArray numberedLines(int count, int from = 0)
{
    QByteArray bytes;
    for (int k = from; k < from + count; ++k)
        bytes += "line " + QByteArray::number(k) + '\n';
    return bytes;
}

} // namespace

class TestRagPipeReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesArriveInOrderAndEndWithTheOutput()
    {
        // Lines cut between writes, a character cut between writes, runs and lines
        // that end no run (a log line, CR LF) all come out as the splitter makes them.
        Pipe pipe;
        Receiver receiver;
        RagPipeReader reader(pipe.read, receiver.post());
        reader.start(RagLineSplitter::RunStops(QLatin1StringView("I")));
        const QByteArray parts[] = {"first\nsec", "ond\nthird\nINFO log\ncaf\xc3", "\xa9 r\r\nlast"};
        qint64 written = 0;
        for (const QByteArray &part : parts) {
            QCOMPARE(pipe.put(part), part.size());
            written += part.size();
            const std::size_t before = receiver.received.size();
            if (!part.endsWith("sec") && !part.endsWith("\xc3"))
                QTRY_VERIFY(receiver.received.size() > before);
        }
        pipe.closeWrite();
        QTRY_VERIFY(receiver.ended());
        QCOMPARE(receiver.lines(), (QStringList{"first", "second", "third", "INFO log", QString::fromUtf8("caf\xc3\xa9 r"), "last"}));
        QCOMPARE(receiver.bytes(), written);
        bool sawRun = false;
        for (const auto &batch : receiver.received) {
            for (const RagOutputBatch::Item &item : batch->items)
                sawRun = sawRun || (item.run && batch->text.sliced(item.start, item.size).contains(u"second\nthird"));
        }
        QVERIFY(sawRun);
        QCOMPARE(std::count_if(receiver.received.cbegin(), receiver.received.cend(), [](const auto &b) { return b->ended; }), 1);
    }

    void readsAheadOnlySoFarUntilLinesAreDelivered()
    {
        // Nobody takes the batches: the reader stops once it is that far ahead, and the
        // writer waits on the full pipe. Each delivery lets it read on; nothing is lost.
        Pipe pipe;
        Receiver receiver;
        RagPipeReader reader(pipe.read, receiver.post());
        reader.start(std::nullopt);
        const QByteArray bytes = numberedLines(1000000); // far more than the lead and the pipe
        ::fcntl(pipe.write, F_SETFL, ::fcntl(pipe.write, F_GETFL) & ~O_NONBLOCK);
        std::atomic<qint64> written{-1};
        std::thread writer([&] {
            written = pipe.put(bytes);
            pipe.closeWrite();
        });
        qint64 delivered = 0;
        int stops = 0;
        while (!receiver.ended()) {
            QTRY_VERIFY_WITH_TIMEOUT(receiver.bytes() - delivered >= RagPipeReader::aheadBytes || receiver.ended(), 30000);
            if (!receiver.ended()) {
                // Stopped: not further ahead than the lead and one batch, and the writer,
                // with more to write than the pipe holds, is still waiting.
                QVERIFY(receiver.bytes() - delivered <= RagPipeReader::aheadBytes + 64 * 1024);
                if (bytes.size() - receiver.bytes() > 2 * ::fcntl(pipe.read, F_GETPIPE_SZ) + 64 * 1024)
                    QCOMPARE(written.load(), -1);
                ++stops;
            }
            const qint64 received = receiver.bytes();
            reader.delivered(received - delivered);
            delivered = received;
        }
        writer.join();
        QCOMPARE(written.load(), bytes.size());
        QVERIFY(stops >= 5);
        QCOMPARE(receiver.bytes(), bytes.size());
        const QStringList lines = receiver.lines();
        QCOMPARE(lines.size(), 1000000);
        QCOMPARE(lines.front(), QStringLiteral("line 0"));
        QCOMPARE(lines.back(), QStringLiteral("line 999999"));
    }

    void exitedChildEndsTheOutputThoughThePipeStaysOpen()
    {
        // A process the child left behind holds the pipe: what the child wrote is
        // read, then the output ends without waiting for the pipe to close.
        Pipe pipe;
        Receiver receiver;
        RagPipeReader reader(pipe.read, receiver.post());
        const QByteArray bytes = numberedLines(100) + "unfinished";
        QCOMPARE(pipe.put(bytes), bytes.size());
        reader.childExited(); // before reading started, as a child that exits at once
        reader.start(std::nullopt);
        QTRY_VERIFY(receiver.ended());
        QCOMPARE(receiver.lines().size(), 101);
        QCOMPARE(receiver.lines().back(), QStringLiteral("unfinished"));
        QCOMPARE(receiver.bytes(), bytes.size());
        QVERIFY(pipe.write >= 0);
    }

    void discardedOutputIsReadAndDropped()
    {
        // After a cancel, the child may write at length on its way out: it never waits
        // on a full pipe, and nothing more is posted.
        Pipe pipe;
        Receiver receiver;
        RagPipeReader reader(pipe.read, receiver.post());
        reader.start(std::nullopt);
        QCOMPARE(pipe.put("before\n"), 7);
        QTRY_COMPARE(receiver.received.size(), std::size_t(1));
        reader.discard();
        // Written at once, blocking: it returns only if the reader drains the pipe.
        const QByteArray bytes = numberedLines(1000000);
        ::fcntl(pipe.write, F_SETFL, ::fcntl(pipe.write, F_GETFL) & ~O_NONBLOCK);
        std::atomic<qint64> written{-1};
        std::thread writer([&] { written = pipe.put(bytes); });
        QTRY_VERIFY_WITH_TIMEOUT(written.load() >= 0, 30000);
        writer.join();
        QCOMPARE(written, bytes.size());
        QCoreApplication::processEvents();
        QCOMPARE(receiver.received.size(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestRagPipeReader)
#include "test_ragpipereader.moc"
