#include "i18n/interfacelanguage.h"
#include "rag/ragcommand.h"
#include "rag/ragoutputstream.h"
#include "rag/ragresolution.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "ragtestsupport.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QtTest>

#include <csignal>
#include <cerrno>

using namespace tovik;
using namespace tovik::test;

namespace {

struct Line
{
    QString text;
    bool isLog;
    bool operator==(const Line &) const = default;
};

struct Outcome
{
    QList<Line> lines;
    std::optional<QString> errorMessage;
    QStringList texts() const
    {
        QStringList all;
        for (const Line &line : lines)
            all.append(line.text);
        return all;
    }
};

// The process id from the fake rag's "pid <n>" line, or 0.
pid_t pidFromLine(const QString &line)
{
    return line.startsWith(QStringLiteral("pid ")) ? pid_t(line.mid(4).toInt()) : 0;
}

// True while the process exists (a zombie not yet reaped counts).
bool exists(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

// Kills what a failed test left running.
struct KillOnExit
{
    pid_t pid = 0;
    ~KillOnExit()
    {
        if (exists(pid))
            ::kill(pid, SIGKILL);
    }
};

} // namespace

class TestRagCommand : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();

    void logAndAnswerShareOnePipe();
    void exitStatusComesAfterTheLines();
    void everyLineTerminatorEndsALine();
    void carriageReturnAndLineFeedInSeparateReads();
    void invalidUtf8BecomesReplacementCharacters();
    void twentyMegabytesArriveWhole();
    void fiftyMegabytesOnOneUnendedLine();
    void aHugeLineIsHandedOverWithoutACopy();
    void aLineHandlerMayCancelTheJob();
    void killedBySignalIsAFailure();
    void quietAndUnendedOutput();
    void launchFailureUsesTheSystemMessage();
    void missingWorkingDirectoryStartsNothing();
    void cancelTerminatesTheChildSilently();
    void cancelledChildMayReportAtLengthOnItsWayOut();
    void aProcessLeftBehindDoesNotHoldUpTheEnd();
    void childIgnoringTerminationIsKilledAfterTheGrace();
    void quittingEndsAChildIgnoringTermination();
    void environmentForTheChild();
    void checkoutRunsThroughPythonWithItsEnvironment();

private:
    ResolvedCommand resolved();
    RagJobPtr startIngest(const QByteArray &mode, const QString &marker, QStringList &lines, bool &done);
    Outcome run(const QByteArray &mode, const QStringList &arguments = {QStringLiteral("ask"), QStringLiteral("q")});

    std::unique_ptr<QTemporaryDir> m_scratch;
    std::unique_ptr<RagSettings> m_settings;
    std::unique_ptr<RagSession> m_session;
};

void TestRagCommand::init()
{
    m_scratch = std::make_unique<QTemporaryDir>();
    m_settings = fakeRagSettings(m_scratch->path());
    m_session = std::make_unique<RagSession>(m_settings.get());
}

void TestRagCommand::cleanup()
{
    m_session.reset();
    m_settings.reset();
    qunsetenv("FAKE_RAG_MODE");
}

// rag as the session's settings resolve it, the way every job starts.
ResolvedCommand TestRagCommand::resolved()
{
    std::optional<std::optional<ResolvedCommand>> result;
    resolveCommand(*m_settings, m_session.get(), [&](const std::optional<ResolvedCommand> &command) { result = command; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }) || !result->has_value())
        qFatal("rag could not be resolved");
    return **result;
}

Outcome TestRagCommand::run(const QByteArray &mode, const QStringList &arguments)
{
    qputenv("FAKE_RAG_MODE", mode);
    Outcome outcome;
    bool done = false;
    // A real event loop: QTest::qWaitFor sleeps between turns, which would throttle the pipe.
    QEventLoop loop;
    runRag(*m_session, std::make_shared<RagJob>(), resolved(), arguments,
           [&](const RagLine &line, bool isLog) { outcome.lines.append({line.text().toString(), isLog}); },
           [&] {
               done = true;
               loop.quit();
           });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!done)
        loop.exec();
    if (!done)
        qFatal("runRag never ended");
    outcome.errorMessage = m_session->errorMessage();
    return outcome;
}

void TestRagCommand::logAndAnswerShareOnePipe()
{
    const Outcome outcome = run("interleave");
    const QList<Line> expected = {
        {"INFO loading index", true},
        {"First answer line [來源: report.pdf p. 3]", false},
        {"WARNING slow disk", true},
        {"INFO: a colon is no log prefix", false},
        {"info in lower case is answer text", false},
        {"DEBUG retrieved 4 passages", true},
        {"Second answer line", false},
        {"CRITICAL done", true},
        {"ERROR last", true},
    };
    QCOMPARE(outcome.lines, expected);
    QCOMPARE(outcome.errorMessage, std::nullopt);
}

void TestRagCommand::exitStatusComesAfterTheLines()
{
    const Outcome outcome = run("exit2");
    QCOMPARE(outcome.texts(), (QStringList{"one", "two", "three"}));
    QCOMPARE(outcome.errorMessage, QStringLiteral("rag exited with code 2."));

    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    m_session->clearErrorMessage();
    QCOMPARE(run("exit2").errorMessage, QStringLiteral("rag 已結束，結束代碼為 2。"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestRagCommand::everyLineTerminatorEndsALine()
{
    QCOMPARE(run("terminators").texts(),
             (QStringList{"cr one", "cr two", "crlf", "lf", "vertical", "feed", "next", "line sep", "para sep", "last"}));
}

void TestRagCommand::carriageReturnAndLineFeedInSeparateReads()
{
    QCOMPARE(run("crsplit").texts(), (QStringList{"alpha", "beta", "gamma"}));
}

void TestRagCommand::invalidUtf8BecomesReplacementCharacters()
{
    const Outcome outcome = run("invalid");
    QCOMPARE(outcome.texts(), (QStringList{QStringLiteral("bad \uFFFD byte"), QStringLiteral("café split"),
                                           QStringLiteral("cut \uFFFDA kept"), QStringLiteral("end \uFFFD\uFFFD")}));
}

void TestRagCommand::twentyMegabytesArriveWhole()
{
    qputenv("FAKE_RAG_LINES", "200000");
    const Outcome outcome = run("big");
    QCOMPARE(outcome.lines.size(), 200000);
    QVERIFY(outcome.lines.first().text.startsWith(QStringLiteral("line 00000001 ")));
    QVERIFY(outcome.lines.last().text.startsWith(QStringLiteral("INFO line 00200000 ")));
    qsizetype logLines = 0;
    for (qsizetype i = 0; i < outcome.lines.size(); ++i) {
        const QString number = QStringLiteral("%1").arg(i + 1, 8, 10, QLatin1Char('0'));
        QVERIFY2(outcome.lines[i].text.contains(QStringLiteral("line ") + number), qPrintable(number));
        logLines += outcome.lines[i].isLog;
    }
    QCOMPARE(logLines, 20000);
    QCOMPARE(outcome.errorMessage, std::nullopt);
}

void TestRagCommand::fiftyMegabytesOnOneUnendedLine()
{
    qputenv("FAKE_RAG_BYTES", QByteArray::number(50 * 1024 * 1024));
    const Outcome outcome = run("oneline");
    QCOMPARE(outcome.lines.size(), 1);
    QCOMPARE(outcome.lines[0].text.size(), 50 * 1024 * 1024);
    QVERIFY(outcome.lines[0].text.front() == u'x' && outcome.lines[0].text.back() == u'x');
    QCOMPARE(outcome.errorMessage, std::nullopt);
}

void TestRagCommand::aHugeLineIsHandedOverWithoutACopy()
{
    // The reader's buffer itself becomes the taken line: no second copy of 16 MB.
    qputenv("FAKE_RAG_BYTES", QByteArray::number(8 * 1024 * 1024));
    qputenv("FAKE_RAG_MODE", "oneline");
    QList<bool> sameBuffer;
    QString taken;
    QEventLoop loop;
    runRag(*m_session, std::make_shared<RagJob>(), resolved(), {},
           [&](const RagLine &line, bool) {
               const QChar *at = line.text().data();
               taken = line.take();
               sameBuffer.append(taken.constData() == at);
           },
           [&] { loop.quit(); });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QCOMPARE(sameBuffer, QList<bool>{true});
    QCOMPARE(taken.size(), 8 * 1024 * 1024);
    QVERIFY(taken.front() == u'x' && taken.back() == u'x');
}

void TestRagCommand::aLineHandlerMayCancelTheJob()
{
    // Cancelling from a line handler drops the lines not delivered yet, while the line
    // in hand stays whole until the handler returns.
    qputenv("FAKE_RAG_LINES", "1000");
    qputenv("FAKE_RAG_MODE", "big");
    auto job = std::make_shared<RagJob>();
    QStringList taken;
    int ends = 0;
    QEventLoop loop;
    runRag(*m_session, job, resolved(), {},
           [&](const RagLine &line, bool) {
               if (taken.size() == 2)
                   job->cancel();
               taken.append(line.take());
           },
           [&] {
               ++ends;
               loop.quit();
           });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QCOMPARE(taken.size(), 3);
    QVERIFY2(taken[2].startsWith(QStringLiteral("line 00000003 the quick brown fox")), qPrintable(taken[2]));
    QVERIFY(taken[2].endsWith(QStringLiteral("sleeps well")));
    // Nothing more is delivered, and the end is not reported twice.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(taken.size(), 3);
    QCOMPARE(ends, 1);
}

void TestRagCommand::killedBySignalIsAFailure()
{
    const Outcome outcome = run("signal");
    QCOMPARE(outcome.lines, (QList<Line>{{"before the crash", false}, {"INFO still here", true}}));
    QVERIFY(outcome.errorMessage.has_value()); // never reported as success
    QVERIFY2(outcome.errorMessage->startsWith(QStringLiteral("rag was stopped by signal 9")), qPrintable(*outcome.errorMessage));
}

void TestRagCommand::quietAndUnendedOutput()
{
    const Outcome silent = run("silent");
    QVERIFY(silent.lines.isEmpty());
    QCOMPARE(silent.errorMessage, std::nullopt);

    const Outcome unended = run("noeol");
    QCOMPARE(unended.lines, (QList<Line>{{"INFO working", true}, {"an answer without a line end", false}}));
}

void TestRagCommand::launchFailureUsesTheSystemMessage()
{
    const QString broken = m_scratch->filePath(QStringLiteral("broken-rag"));
    writeFile(broken, "#!/nonexistent/interpreter\n", true);
    m_settings->setRagPath(broken);
    const Outcome outcome = run("echo");
    QVERIFY(outcome.lines.isEmpty());
    QVERIFY(outcome.errorMessage.has_value());
    QVERIFY2(outcome.errorMessage->contains(QStringLiteral("No such file or directory")), qPrintable(*outcome.errorMessage));
}

void TestRagCommand::missingWorkingDirectoryStartsNothing()
{
    QDir().mkpath(QDir::homePath() + QStringLiteral("/gone"));
    QDir(QDir::homePath() + QStringLiteral("/gone")).removeRecursively();
    m_settings->setWorkingDirectory(QStringLiteral("~/gone"));
    const Outcome outcome = run("echo");
    QVERIFY(outcome.lines.isEmpty());
    QCOMPARE(outcome.errorMessage, QStringLiteral("Working directory does not exist: ~/gone"));
}

// Starts an ingest by the fake rag in `mode`, which leaves `marker` behind when its
// SIGTERM handler has run to the end. Its lines go to `lines`; `done` is set at the end.
RagJobPtr TestRagCommand::startIngest(const QByteArray &mode, const QString &marker, QStringList &lines, bool &done)
{
    qputenv("FAKE_RAG_MARKER", QFile::encodeName(marker));
    qputenv("FAKE_RAG_MODE", mode);
    auto job = std::make_shared<RagJob>();
    runRag(*m_session, job, resolved(), {QStringLiteral("ingest"), QStringLiteral("/x.pdf")},
           [&lines](const RagLine &line, bool) { lines.append(line.text().toString()); }, [&done] { done = true; });
    return job;
}

void TestRagCommand::cancelTerminatesTheChildSilently()
{
    const QString marker = m_scratch->filePath(QStringLiteral("terminated"));
    QStringList lines;
    bool done = false;
    const RagJobPtr job = startIngest("hang", marker, lines, done);
    QTRY_COMPARE(lines, QStringList{"started"});
    QVERIFY(!done);
    job->cancel();
    QTRY_VERIFY(done);
    QTRY_VERIFY(QFile::exists(marker)); // SIGTERM reached the child
    QTest::qWait(100);
    QCOMPARE(lines, QStringList{"started"}); // what it printed on the way out is dropped
    QCOMPARE(m_session->errorMessage(), std::nullopt);
    qunsetenv("FAKE_RAG_MARKER");
}

void TestRagCommand::cancelledChildMayReportAtLengthOnItsWayOut()
{
    // Asked to stop, rag may write more than the pipe holds while it cleans up: it must
    // be able to finish (and not be killed half-way after the grace period).
    const auto grace = RagOutputStream::terminationGrace();
    RagOutputStream::setTerminationGrace(std::chrono::milliseconds(60000));
    const QString marker = m_scratch->filePath(QStringLiteral("cleaned-up"));
    QStringList lines;
    bool done = false;
    const RagJobPtr job = startIngest("hangloudly", marker, lines, done);
    QTRY_COMPARE(lines, QStringList{"started"});
    job->cancel();
    QTRY_VERIFY(done);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    QCOMPARE(lines, QStringList{"started"}); // its report is dropped

    // The same when the cancel comes in the middle of a flood of output.
    QFile::remove(marker);
    qputenv("FAKE_RAG_MODE", "floodloudly");
    int flooded = 0;
    bool floodDone = false;
    auto floodJob = std::make_shared<RagJob>();
    runRag(*m_session, floodJob, resolved(), {QStringLiteral("ingest"), QStringLiteral("/x.pdf")},
           [&](const RagLine &, bool) {
               if (++flooded == 20000)
                   floodJob->cancel();
           },
           [&] { floodDone = true; });
    QTRY_VERIFY(floodDone);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    RagOutputStream::setTerminationGrace(grace);
    qunsetenv("FAKE_RAG_MARKER");
}

void TestRagCommand::aProcessLeftBehindDoesNotHoldUpTheEnd()
{
    // The grandchild keeps the output pipe open for half a minute; the job ends when rag
    // itself has exited, with everything rag wrote.
    KillOnExit grandchild;
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = run("leavechild");
    QVERIFY(outcome.lines.size() == 3);
    grandchild.pid = pidFromLine(outcome.lines[1].text);
    QVERIFY(grandchild.pid > 0);
    QCOMPARE(outcome.lines.first().text, QStringLiteral("first"));
    QCOMPARE(outcome.lines.last().text, QStringLiteral("last"));
    QCOMPARE(outcome.errorMessage, std::nullopt);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
}

void TestRagCommand::childIgnoringTerminationIsKilledAfterTheGrace()
{
    const auto grace = RagOutputStream::terminationGrace();
    RagOutputStream::setTerminationGrace(std::chrono::milliseconds(20));
    qputenv("FAKE_RAG_MODE", "stubborn");
    KillOnExit child;
    bool done = false;
    auto job = std::make_shared<RagJob>();
    runRag(*m_session, job, resolved(), {QStringLiteral("ask"), QStringLiteral("q")},
           [&](const RagLine &line, bool) { child.pid = pidFromLine(line.text().toString()); }, [&] { done = true; });
    QTRY_VERIFY(child.pid > 0);
    job->cancel();
    QTRY_VERIFY(done);
    QTRY_VERIFY(!exists(child.pid));
    QCOMPARE(m_session->errorMessage(), std::nullopt);
    RagOutputStream::setTerminationGrace(grace);
}

void TestRagCommand::quittingEndsAChildIgnoringTermination()
{
    QProcess quitter;
    quitter.start(QStringLiteral(TOVIK_RAG_QUITTER), {fakeRagPath()});
    QVERIFY(quitter.waitForFinished(30000));
    QCOMPARE(quitter.exitCode(), 0);
    KillOnExit child{pidFromLine(QString::fromLocal8Bit(quitter.readAllStandardOutput()).trimmed())};
    QVERIFY(child.pid > 0);
    // The application reaped its child before it went, so it is gone for good.
    QVERIFY(!exists(child.pid));
}

void TestRagCommand::environmentForTheChild()
{
    QProcessEnvironment base;
    base.insert(QStringLiteral("HOME"), QStringLiteral("/home/u"));
    base.insert(QStringLiteral("DYLD_LIBRARY_PATH"), QStringLiteral("/evil"));
    base.insert(QStringLiteral("DYLD_INSERT_LIBRARIES"), QStringLiteral("/evil.dylib"));
    base.insert(QStringLiteral("XDYLD_KEEP"), QStringLiteral("kept"));
    base.insert(QStringLiteral("PYTHONPATH"), QStringLiteral("/old/site"));
    base.insert(QStringLiteral("PYTHONUNBUFFERED"), QStringLiteral("0"));

    // Without a PATH: the system folders that exist, nothing that does not.
    const QString sys = m_scratch->filePath(QStringLiteral("sys"));
    QVERIFY(QDir().mkpath(sys + QStringLiteral("/usr/bin")) && QDir().mkpath(sys + QStringLiteral("/bin")));
    QProcessEnvironment env = commandEnvironment({{"PYTHONPATH", "/co/src"}, {"EXTRA", "x"}}, base, sys);
    QCOMPARE(env.value(QStringLiteral("PATH")), sys + QStringLiteral("/usr/bin:") + sys + QStringLiteral("/bin"));
    QCOMPARE(env.value(QStringLiteral("PYTHONUNBUFFERED")), QStringLiteral("1"));
    QVERIFY(!env.contains(QStringLiteral("DYLD_LIBRARY_PATH")));
    QVERIFY(!env.contains(QStringLiteral("DYLD_INSERT_LIBRARIES")));
    QCOMPARE(env.value(QStringLiteral("XDYLD_KEEP")), QStringLiteral("kept"));
    QCOMPARE(env.value(QStringLiteral("PYTHONPATH")), QStringLiteral("/co/src:/old/site"));
    QCOMPARE(env.value(QStringLiteral("EXTRA")), QStringLiteral("x"));
    QCOMPARE(env.value(QStringLiteral("HOME")), QStringLiteral("/home/u"));

    // The user's PATH stays first and whole; a missing /usr/local/bin comes after it only
    // once it exists, and never twice.
    base.insert(QStringLiteral("PATH"), QStringLiteral("/mine/bin"));
    base.insert(QStringLiteral("PYTHONPATH"), QString());
    env = commandEnvironment({{"PYTHONPATH", "/co/src"}}, base, sys);
    QCOMPARE(env.value(QStringLiteral("PATH")), QStringLiteral("/mine/bin"));
    QCOMPARE(env.value(QStringLiteral("PYTHONPATH")), QStringLiteral("/co/src"));
    QVERIFY(QDir().mkpath(sys + QStringLiteral("/usr/local/bin")));
    QCOMPARE(commandEnvironment({}, base, sys).value(QStringLiteral("PATH")),
             QStringLiteral("/mine/bin:") + sys + QStringLiteral("/usr/local/bin"));
    base.insert(QStringLiteral("PATH"), QStringLiteral("/mine/bin:") + sys + QStringLiteral("/usr/local/bin:/late/bin"));
    QCOMPARE(commandEnvironment({}, base, sys).value(QStringLiteral("PATH")), base.value(QStringLiteral("PATH")));
    // An empty PATH must not turn into a search of the current folder.
    base.insert(QStringLiteral("PATH"), QString());
    QVERIFY(!commandEnvironment({}, base, sys).value(QStringLiteral("PATH")).endsWith(QLatin1Char(':')));
}

void TestRagCommand::checkoutRunsThroughPythonWithItsEnvironment()
{
    const QString work = m_scratch->filePath(QStringLiteral("checkout"));
    makeCheckout(work);
    m_settings->setRagPath(QString());
    m_settings->setWorkingDirectory(work);
    qputenv("PYTHONPATH", "/old/site");
    qputenv("DYLD_LIBRARY_PATH", "/evil");
    const Outcome outcome = run("echo", {QStringLiteral("status")});
    qunsetenv("PYTHONPATH");
    qunsetenv("DYLD_LIBRARY_PATH");
    const QStringList texts = outcome.texts();
    QCOMPARE(texts.mid(1, 3), (QStringList{"arg 1: -c", "arg 2: from ragcli.cli import main; raise SystemExit(main())",
                                           "arg 3: status"}));
    QVERIFY(texts.contains(QStringLiteral("cwd: ") + QFileInfo(work).canonicalFilePath()));
    QVERIFY(texts.contains(QStringLiteral("env PYTHONPATH=") + work + QStringLiteral("/src:/old/site")));
    QVERIFY(texts.contains(QStringLiteral("env PYTHONUNBUFFERED=1")));
    QVERIFY(texts.contains(QStringLiteral("env DYLD_LIBRARY_PATH=<unset>")));
    QCOMPARE(outcome.errorMessage, std::nullopt);
}

QTEST_GUILESS_MAIN(TestRagCommand)
#include "test_ragcommand.moc"
