#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "ragtestsupport.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

class TestRagSession : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();

    void mixedDropQueuesTheIngestibleFiles();
    void dropWithNothingIngestible();
    void failedIngestStillStartsTheNextFile();
    void cancelDuringIngestWithTwoQueued();
    void askWhileBusyOnlyNotifies();
    void askSplitsAnswerFromLog();
    void blankQuestionStartsNothing();
    void unresolvableRagEndsEachJobWithAMessage();
    void statusCheckInDeletedWorkingDirectory();
    void onlyTheFirstPreparedSessionChecksStatus();
    void endOfStatusCheckStartsQueuedFiles();
    void closingTheSessionTerminatesItsChild();
    void useThisPath();
    void useThisPathOnAProjectFolder();
    void importableContentTypesComeFromTheMimeDatabase();

private:
    QString makeFile(const QString &name);
    bool waitIdle(RagSession &session) { return spinUntil([&] { return !session.isBusy(); }); }

    std::unique_ptr<QTemporaryDir> m_scratch;
    std::unique_ptr<RagSettings> m_settings;
    std::unique_ptr<RagSession> m_session;
};

void TestRagSession::init()
{
    m_scratch = std::make_unique<QTemporaryDir>();
    m_settings = fakeRagSettings(m_scratch->path());
    m_session = std::make_unique<RagSession>(m_settings.get());
    qputenv("FAKE_RAG_MODE", "echo");
    qputenv("FAKE_RAG_MARKER", QFile::encodeName(m_scratch->filePath(QStringLiteral("terminated"))));
}

void TestRagSession::cleanup()
{
    m_session.reset();
    m_settings.reset();
}

QString TestRagSession::makeFile(const QString &name)
{
    const QString path = m_scratch->filePath(QStringLiteral("docs/") + name);
    writeFile(path, "content");
    return path;
}

void TestRagSession::mixedDropQueuesTheIngestibleFiles()
{
    const QString a = makeFile(QStringLiteral("a.pdf"));
    const QString c = makeFile(QStringLiteral("C.DOCX"));
    QStringList labels;
    connect(m_session.get(), &RagSession::busyLabelChanged, this, [&] { labels.append(m_session->busyLabel()); });

    m_session->enqueue({QUrl::fromLocalFile(a), QUrl::fromLocalFile(makeFile(QStringLiteral("b.zip"))), QUrl::fromLocalFile(c)});
    QVERIFY(m_session->isBusy());
    QCOMPARE(m_session->busyLabel(), QStringLiteral("Ingest a.pdf"));
    QCOMPARE(m_session->queuedCount(), 1);
    QCOMPARE(m_session->ingestQueue(), QList<QUrl>{QUrl::fromLocalFile(c)});
    QCOMPARE(m_session->notice(), QStringLiteral("Skipped 1 unsupported items."));
    QCOMPARE(m_session->errorMessage(), std::nullopt);

    QVERIFY(spinUntil([&] { return !m_session->isBusy() && m_session->queuedCount() == 0; }));
    QCOMPARE(labels, (QStringList{"Ingest a.pdf", "", "Ingest C.DOCX", ""}));
    // The log holds the last file's run, given its absolute path.
    QVERIFY(m_session->logText().contains(QStringLiteral("arg 1: ingest\narg 2: ") + c + QLatin1Char('\n')));
    QVERIFY(!m_session->logText().contains(a));
    QCOMPARE(m_session->answerText(), QString());
}

void TestRagSession::dropWithNothingIngestible()
{
    const QString folderNamedPdf = m_scratch->filePath(QStringLiteral("folder.pdf"));
    QDir().mkpath(folderNamedPdf);
    const QString unsupported = QStringLiteral(
        "This item isn't supported. Ingest accepts pdf, docx, pptx, text, and images, one file at a time.");
    for (const QList<QUrl> &drop : {QList<QUrl>{QUrl::fromLocalFile(m_scratch->path())},
                                    QList<QUrl>{QUrl::fromLocalFile(makeFile(QStringLiteral("b.zip")))},
                                    QList<QUrl>{QUrl::fromLocalFile(folderNamedPdf)},
                                    QList<QUrl>{QUrl(QStringLiteral("https://example.com/a.pdf"))}, QList<QUrl>{}}) {
        m_session->clearErrorMessage();
        m_session->enqueue(drop);
        QCOMPARE(m_session->errorMessage(), unsupported);
        QVERIFY(m_session->ingestQueue().isEmpty());
        QVERIFY(!m_session->isBusy());
    }
}

void TestRagSession::failedIngestStillStartsTheNextFile()
{
    qputenv("FAKE_RAG_MODE", "exit2");
    QStringList labels;
    connect(m_session.get(), &RagSession::busyLabelChanged, this, [&] { labels.append(m_session->busyLabel()); });
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("one.md"))),
                        QUrl::fromLocalFile(makeFile(QStringLiteral("two.txt")))});
    QVERIFY(spinUntil([&] { return !m_session->isBusy() && m_session->queuedCount() == 0; }));
    QCOMPARE(labels, (QStringList{"Ingest one.md", "", "Ingest two.txt", ""}));
    QCOMPARE(m_session->errorMessage(), QStringLiteral("rag exited with code 2."));
    QCOMPARE(m_session->logText(), QStringLiteral("one\ntwo\nthree\n"));
}

void TestRagSession::cancelDuringIngestWithTwoQueued()
{
    qputenv("FAKE_RAG_MODE", "hang");
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("1.pdf"))),
                        QUrl::fromLocalFile(makeFile(QStringLiteral("2.pdf"))),
                        QUrl::fromLocalFile(makeFile(QStringLiteral("3.pdf")))});
    QCOMPARE(m_session->queuedCount(), 2);
    QVERIFY(spinUntil([&] { return m_session->logText() == QStringLiteral("started\n"); }));

    QSignalSpy busy(m_session.get(), &RagSession::isBusyChanged);
    m_session->cancel();
    const quint64 generation = m_session->jobGeneration();
    QVERIFY(!m_session->isBusy());
    QCOMPARE(m_session->busyLabel(), QString());
    QCOMPARE(m_session->queuedCount(), 0);
    QVERIFY(m_session->ingestQueue().isEmpty());
    QCOMPARE(m_session->notice(), QStringLiteral("Cancelled."));

    QVERIFY(spinUntil([&] { return QFile::exists(m_scratch->filePath(QStringLiteral("terminated"))); }));
    QTest::qWait(150);
    // The child's parting output and its exit change nothing.
    QCOMPARE(m_session->logText(), QStringLiteral("started\n"));
    QCOMPARE(busy.size(), 1);
    QCOMPARE(m_session->jobGeneration(), generation);
    QCOMPARE(m_session->errorMessage(), std::nullopt);
}

void TestRagSession::askWhileBusyOnlyNotifies()
{
    qputenv("FAKE_RAG_MODE", "hang");
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("a.pdf")))});
    m_session->setQuestion(QStringLiteral("What changed?"));
    m_session->ask();
    QCOMPARE(m_session->notice(), QStringLiteral("Wait for the current job to finish before asking."));
    QCOMPARE(m_session->question(), QStringLiteral("What changed?"));
    QVERIFY(!m_session->isAsking());
    QCOMPARE(m_session->busyLabel(), QStringLiteral("Ingest a.pdf"));
    m_session->cancel();

    // Files dropped during an ask start once the answer is complete.
    qputenv("FAKE_RAG_MODE", "interleave");
    QStringList labels;
    connect(m_session.get(), &RagSession::busyLabelChanged, this, [&] { labels.append(m_session->busyLabel()); });
    m_session->ask();
    QVERIFY(m_session->isAsking());
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("b.png")))});
    QCOMPARE(m_session->queuedCount(), 1);
    QVERIFY(spinUntil([&] { return !m_session->isBusy() && m_session->queuedCount() == 0; }));
    QCOMPARE(labels, (QStringList{"Waiting for rag…", "", "Ingest b.png", ""}));
    QVERIFY(m_session->answerText().startsWith(QStringLiteral("First answer line")));
}

void TestRagSession::askSplitsAnswerFromLog()
{
    qputenv("FAKE_RAG_MODE", "interleave");
    m_session->setLogText(QStringLiteral("old log\n"));
    m_session->setAnswerText(QStringLiteral("old answer\n"));
    // What the appends announce, put together, is the whole answer: a view that adds
    // each announced end shows all of it.
    QString appended;
    connect(m_session.get(), &RagSession::answerAppended, this,
            [&](qsizetype from) { appended += m_session->answerText().sliced(from); });
    m_session->setQuestion(QStringLiteral("  what is new?\n "));
    m_session->ask();
    QVERIFY(m_session->isAsking());
    QCOMPARE(m_session->busyLabel(), QStringLiteral("Waiting for rag…"));
    QCOMPARE(m_session->answerText(), QString());
    QVERIFY(waitIdle(*m_session));
    QVERIFY(!m_session->isAsking());
    QCOMPARE(m_session->answerText(),
             QStringLiteral("First answer line [來源: report.pdf p. 3]\nINFO: a colon is no log prefix\n"
                            "info in lower case is answer text\nSecond answer line\n"));
    QCOMPARE(m_session->logText(), QStringLiteral("INFO loading index\nWARNING slow disk\nDEBUG retrieved 4 passages\n"
                                                  "CRITICAL done\nERROR last\n"));
    QCOMPARE(appended, m_session->answerText());

    // The question goes over trimmed, inner line breaks kept; blank lines never arrive.
    qputenv("FAKE_RAG_MODE", "echo");
    m_session->setQuestion(QStringLiteral("\n first\nsecond \t"));
    m_session->ask();
    QVERIFY(waitIdle(*m_session));
    QVERIFY(m_session->answerText().contains(QStringLiteral("arg 1: ask\narg 2: first\nsecond\n")));
    qputenv("FAKE_RAG_MODE", "paragraphs");
    m_session->ask();
    QVERIFY(waitIdle(*m_session));
    QCOMPARE(m_session->answerText(), QStringLiteral("Paragraph one.\nParagraph two,\nstill two.\n"));

    // Thousands of lines, every tenth a log line: each goes to its own text, in order.
    qputenv("FAKE_RAG_MODE", "big");
    qputenv("FAKE_RAG_LINES", "5000");
    m_session->ask();
    QVERIFY(waitIdle(*m_session));
    QString answer;
    QString log;
    for (int i = 1; i <= 5000; ++i) {
        const QString line = QStringLiteral("line %1 the quick brown fox jumps over the lazy dog, then rests by the "
                                            "river bank and sleeps well\n")
                                 .arg(i, 8, 10, QLatin1Char('0'));
        if (i % 10 == 0)
            log += QStringLiteral("INFO ") + line;
        else
            answer += line;
    }
    QCOMPARE(m_session->answerText(), answer);
    QCOMPARE(m_session->logText(), log);
    qunsetenv("FAKE_RAG_LINES");
}

void TestRagSession::blankQuestionStartsNothing()
{
    m_session->setQuestion(QStringLiteral(" \n\t \n"));
    m_session->ask();
    QVERIFY(!m_session->isBusy());
    QCOMPARE(m_session->jobGeneration(), quint64(0));
    QCOMPARE(m_session->notice(), std::nullopt);
}

void TestRagSession::unresolvableRagEndsEachJobWithAMessage()
{
    m_settings->setRagPath(QString());
    m_session->setQuestion(QStringLiteral("anything?"));
    m_session->ask();
    QVERIFY(waitIdle(*m_session));
    QVERIFY(m_session->errorMessage()->startsWith(QStringLiteral("rag wasn't found.")));

    m_session->clearErrorMessage();
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("a.pdf"))),
                        QUrl::fromLocalFile(makeFile(QStringLiteral("b.pdf")))});
    QVERIFY(waitIdle(*m_session));
    QVERIFY(m_session->errorMessage()->startsWith(QStringLiteral("rag wasn't found.")));
    QCOMPARE(m_session->queuedCount(), 0); // the whole queue is dropped

    bool done = false;
    m_session->checkStatus([&] { done = true; });
    QVERIFY(spinUntil([&] { return done; }));
    QVERIFY(m_settings->statusText().startsWith(QStringLiteral("rag wasn't found.")));
    QVERIFY(!m_session->isBusy());
}

void TestRagSession::statusCheckInDeletedWorkingDirectory()
{
    const QString folder = m_scratch->filePath(QStringLiteral("corpus"));
    QDir().mkpath(folder);
    m_settings->setWorkingDirectory(folder);
    QDir(folder).removeRecursively();
    bool done = false;
    m_session->checkStatus([&] { done = true; });
    QCOMPARE(m_session->busyLabel(), QStringLiteral("Checking status"));
    QVERIFY(spinUntil([&] { return done; }));
    QCOMPARE(m_settings->statusText(), QString());
    QCOMPARE(m_session->errorMessage(), QStringLiteral("Working directory does not exist: ") + folder);
    QVERIFY(!m_session->isBusy());
}

void TestRagSession::onlyTheFirstPreparedSessionChecksStatus()
{
    qputenv("FAKE_RAG_MODE", "status");
    RagSession::resetStatusCheckedThisLaunchForTesting();
    bool firstDone = false;
    m_session->prepare([&] { firstDone = true; });
    QVERIFY(m_session->didPrepare());
    QVERIFY(m_session->isBusy());
    QVERIFY(spinUntil([&] { return firstDone; }));
    QCOMPARE(m_settings->statusText(), QStringLiteral("corpus: 3 documents\nINFO index ok\n"));
    QVERIFY(RagSession::statusCheckedThisLaunch());

    m_settings->setStatusText(QStringLiteral("unchanged"));
    RagSession secondTab(m_settings.get());
    bool secondDone = false;
    secondTab.prepare([&] { secondDone = true; });
    QVERIFY(secondDone);
    QVERIFY(secondTab.didPrepare());
    QVERIFY(!secondTab.isBusy());
    QCOMPARE(secondTab.jobGeneration(), quint64(0));
    m_session->prepare(); // a session prepares once
    QVERIFY(!m_session->isBusy());

    // "Check Again" always checks, unless that session is busy.
    RagSession settingsPage(m_settings.get());
    bool checked = false;
    settingsPage.checkStatus([&] { checked = true; });
    QVERIFY(spinUntil([&] { return checked; }));
    QCOMPARE(m_settings->statusText(), QStringLiteral("corpus: 3 documents\nINFO index ok\n"));
}

void TestRagSession::endOfStatusCheckStartsQueuedFiles()
{
    qputenv("FAKE_RAG_MODE", "status");
    QStringList labels;
    connect(m_session.get(), &RagSession::busyLabelChanged, this, [&] { labels.append(m_session->busyLabel()); });
    m_session->checkStatus();
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("late.pdf")))});
    QCOMPARE(m_session->queuedCount(), 1);
    QVERIFY(spinUntil([&] { return !m_session->isBusy() && m_session->queuedCount() == 0; }));
    QCOMPARE(labels, (QStringList{"Checking status", "", "Ingest late.pdf", ""}));
}

void TestRagSession::closingTheSessionTerminatesItsChild()
{
    qputenv("FAKE_RAG_MODE", "hang");
    m_session->enqueue({QUrl::fromLocalFile(makeFile(QStringLiteral("a.pdf")))});
    QVERIFY(spinUntil([&] { return !m_session->logText().isEmpty(); }));
    m_session.reset();
    QVERIFY(spinUntil([&] { return QFile::exists(m_scratch->filePath(QStringLiteral("terminated"))); }));
}

void TestRagSession::useThisPath()
{
    qputenv("FAKE_RAG_MODE", "status");
    const QString workingDirectory = m_settings->workingDirectory();
    bool done = false;

    // A plain file that is not executable changes no setting.
    writeFile(QDir::homePath() + QStringLiteral("/notes.txt"), "text");
    m_settings->setRagPath(QStringLiteral("~/notes.txt"));
    m_session->applyRagPath([&] { done = true; });
    QVERIFY(done);
    QCOMPARE(m_session->errorMessage(), QStringLiteral("This path is not an executable rag."));
    QCOMPARE(m_settings->ragPath(), QStringLiteral("~/notes.txt"));
    QCOMPARE(m_settings->workingDirectory(), workingDirectory);

    // A folder without rag.toml.
    m_session->clearErrorMessage();
    m_settings->setRagPath(m_scratch->filePath(QStringLiteral("docs")));
    QDir().mkpath(m_settings->ragPath());
    m_session->applyRagPath();
    QVERIFY(m_session->errorMessage()->startsWith(QStringLiteral("This path is a folder, not an executable rag.")));

    // An executable written with "~" is stored expanded, then the status is checked.
    m_session->clearErrorMessage();
    m_session->setNotice(QStringLiteral("stale"));
    writeScript(QDir::homePath() + QStringLiteral("/tools/rag"), QStringLiteral("exec '%1' \"$@\"").arg(fakeRagPath()));
    m_settings->setRagPath(QStringLiteral("~/tools/rag"));
    done = false;
    m_session->applyRagPath([&] { done = true; });
    QCOMPARE(m_session->notice(), std::nullopt);
    QCOMPARE(m_settings->ragPath(), QDir::homePath() + QStringLiteral("/tools/rag"));
    QVERIFY(spinUntil([&] { return done; }));
    QCOMPARE(m_settings->statusText(), QStringLiteral("corpus: 3 documents\nINFO index ok\n"));
    QCOMPARE(m_session->errorMessage(), std::nullopt);
}

void TestRagSession::useThisPathOnAProjectFolder()
{
    qputenv("FAKE_RAG_MODE", "echo");
    // A source checkout: the working directory moves there and its Python runs rag.
    const QString checkout = m_scratch->filePath(QStringLiteral("checkout"));
    makeCheckout(checkout);
    m_settings->setRagPath(checkout);
    bool done = false;
    m_session->applyRagPath([&] { done = true; });
    QVERIFY(spinUntil([&] { return done; }));
    QCOMPARE(m_settings->workingDirectory(), checkout);
    QCOMPARE(m_settings->ragPath(), checkout);
    QCOMPARE(m_session->notice(),
             QStringLiteral("Working directory set to %1, using the program inside it.").arg(checkout));
    QVERIFY(m_settings->statusText().contains(QStringLiteral("arg 1: -c\n")));

    // A corpus folder that is no checkout: an installed rag is found and stored.
    const QString corpus = m_scratch->filePath(QStringLiteral("corpus"));
    writeFile(corpus + QStringLiteral("/rag.toml"));
    const QString installed = m_settings->systemRoot() + QStringLiteral("/usr/local/bin/rag");
    writeScript(installed, QStringLiteral("exec '%1' \"$@\"").arg(fakeRagPath()));
    m_settings->setRagPath(corpus);
    done = false;
    m_session->applyRagPath([&] { done = true; });
    QVERIFY(spinUntil([&] { return done; }));
    QCOMPARE(m_settings->workingDirectory(), corpus);
    QCOMPARE(m_settings->ragPath(), installed);
    QCOMPARE(m_session->notice(), QStringLiteral("Working directory set to %1.").arg(corpus));
    QVERIFY(m_settings->statusText().contains(QStringLiteral("arg 1: status\n")));
}

void TestRagSession::importableContentTypesComeFromTheMimeDatabase()
{
    const QStringList filters = RagSession::importableContentTypes();
    QVERIFY(!filters.isEmpty());
    QStringList patterns;
    for (const QString &filter : filters) {
        QVERIFY2(filter.endsWith(QLatin1Char(')')) && filter.contains(QStringLiteral(" (*.")), qPrintable(filter));
        const qsizetype open = filter.lastIndexOf(QStringLiteral(" ("));
        QVERIFY2(open > 0, qPrintable(filter)); // a description before the patterns
        patterns += filter.mid(open + 2).chopped(1).split(QLatin1Char(' '));
    }
    for (const QString &pattern : patterns)
        QVERIFY2(RagSession::ingestibleExtensions().contains(pattern.mid(2)), qPrintable(pattern));
    QCOMPARE(patterns.removeDuplicates(), 0);
    QVERIFY(patterns.contains(QStringLiteral("*.pdf")));
    // Extensions of one type share one filter.
    QVERIFY(std::any_of(filters.cbegin(), filters.cend(),
                        [](const QString &f) { return f.contains(QStringLiteral("*.jpg *.jpeg")); }));
    QCOMPARE(RagSession::ingestibleExtensions().size(), 15);
}

QTEST_GUILESS_MAIN(TestRagSession)
#include "test_ragsession.moc"
