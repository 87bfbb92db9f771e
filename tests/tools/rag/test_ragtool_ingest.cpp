#include "ragtoolsupport.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace ragtest;

class TestRagToolIngest : public QObject
{
    Q_OBJECT

public:
    static void initMain() { tovik::test::isolateHome(); }

private Q_SLOTS:
    void statusOnEmptyProject();
    void ingestAndReingest();
    void failedIngestChangesNothing_data();
    void failedIngestChangesNothing();
    void failedFirstIngestMakesNoCorpus();
    void killedIngestLeavesCorpusReadable_data();
    void killedIngestLeavesCorpusReadable();
    void dataDirFromProjectFile_data();
    void dataDirFromProjectFile();
    void projectSearchGoesUpEightFolders();
    void fallsBackToPerUserProject();
    void officeDocuments();
};

namespace {

QString makeProject(const QTemporaryDir &dir, const QByteArray &toml = "data_dir = \"data\"\n")
{
    writeFile(dir.filePath(QStringLiteral("rag.toml")), toml);
    return dir.path();
}

void verifyAllLogLines(const QStringList &lines)
{
    for (const QString &line : lines)
        QVERIFY2(isLogLine(line), qPrintable(line));
}

} // namespace

void TestRagToolIngest::statusOnEmptyProject()
{
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    const RagRun run = runRag({QStringLiteral("status")}, project);
    QCOMPARE(run.exitCode, 0);
    const QString text = run.out.join(QLatin1Char('\n'));
    QVERIFY2(text.contains(QStringLiteral("Project folder: ") + project), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Data directory: ") + project + QStringLiteral("/data")));
    QVERIFY(text.contains(QStringLiteral("nothing has been ingested")));
    QVERIFY(text.contains(QStringLiteral("Documents: 0")));
    QVERIFY(text.contains(QStringLiteral("Passages: 0")));
    for (const QString &line : run.out)
        QVERIFY(!isLogLine(line));
    // Looking makes nothing.
    QVERIFY(!QFileInfo::exists(project + QStringLiteral("/data")));
}

void TestRagToolIngest::ingestAndReingest()
{
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    QDir(project).mkpath(QStringLiteral("old"));
    QDir(project).mkpath(QStringLiteral("new"));
    const QString first = project + QStringLiteral("/old/notes.txt");
    const QString second = project + QStringLiteral("/new/notes.txt");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    QVERIFY(writeFile(first, "The harbour crane was repainted orange in April."));

    RagRun run = runRag({QStringLiteral("ingest"), first}, project);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.join(QLatin1Char(' ')).contains(QStringLiteral("notes.txt")));
    verifyAllLogLines(run.err);
    QVERIFY(!run.err.isEmpty());
    QCOMPARE(sourcePaths(corpus, QStringLiteral("notes.txt")), QStringList{first});

    // The same file changed: a newer row, and answers come from the new text only.
    QVERIFY(writeFile(first, "The harbour crane was repainted turquoise in May."));
    QCOMPARE(runRag({QStringLiteral("ingest"), first}, project).exitCode, 0);
    QCOMPARE(sourcePaths(corpus, QStringLiteral("notes.txt")), (QStringList{first, first}));
    run = runRag({QStringLiteral("ask"), QStringLiteral("What colour is the crane?")}, project);
    QCOMPARE(run.exitCode, 0);
    const QString answer = run.out.join(QLatin1Char('\n'));
    QVERIFY2(answer.contains(QStringLiteral("turquoise")), qPrintable(answer));
    QVERIFY2(!answer.contains(QStringLiteral("orange")), qPrintable(answer));

    // A file of the same name from elsewhere: its path comes first in the lookup, both
    // files stay answerable.
    QVERIFY(writeFile(second, "The ferry timetable changes on the first of June."));
    QCOMPARE(runRag({QStringLiteral("ingest"), second}, project).exitCode, 0);
    QCOMPARE(sourcePaths(corpus, QStringLiteral("notes.txt")), (QStringList{second, first, first}));
    run = runRag({QStringLiteral("ask"), QStringLiteral("crane")}, project);
    QVERIFY(run.out.join(QLatin1Char('\n')).contains(QStringLiteral("turquoise")));

    run = runRag({QStringLiteral("status")}, project);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("Documents: 2 (3 ingestions)")), qPrintable(run.out.join('\n')));
    QVERIFY(run.out.contains(QStringLiteral("Passages: 2")));
    QCOMPARE(integrityCheck(corpus), QStringLiteral("ok"));
}

void TestRagToolIngest::failedIngestChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: the path is not created
    QTest::addColumn<bool>("makeDirectory");
    QTest::newRow("unsupported type") << "table.xyz" << QByteArray("some words") << false;
    QTest::newRow("no extension") << "README" << QByteArray("some words") << false;
    QTest::newRow("missing file") << "gone.txt" << QByteArray() << false;
    QTest::newRow("directory") << "folder.txt" << QByteArray() << true;
    QTest::newRow("damaged pdf") << "broken.pdf" << QByteArray("%PDF-1.4\nthis is not really a PDF\n") << false;
    QTest::newRow("damaged docx") << "broken.docx" << QByteArray("PK\x03\x04 nonsense") << false;
    QTest::newRow("text without words") << "blank.txt" << QByteArray(" \n\t\n  \n") << false;
}

void TestRagToolIngest::failedIngestChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, makeDirectory);
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    const QString good = project + QStringLiteral("/good.txt");
    QVERIFY(writeFile(good, "Lighthouse keepers log the weather every four hours."));
    QCOMPARE(runRag({QStringLiteral("ingest"), good}, project).exitCode, 0);

    const QString path = project + QLatin1Char('/') + name;
    if (makeDirectory)
        QVERIFY(QDir(project).mkpath(name));
    else if (!content.isEmpty())
        QVERIFY(writeFile(path, content));

    const RagRun run = runRag({QStringLiteral("ingest"), path}, project);
    QVERIFY(!run.crashed);
    QVERIFY(run.exitCode != 0);
    QVERIFY2(std::any_of(run.err.begin(), run.err.end(),
                         [](const QString &line) { return line.startsWith(QLatin1String("ERROR ")); }),
             qPrintable(run.err.join('\n')));
    verifyAllLogLines(run.err);
    QCOMPARE(rowCount(corpus, QStringLiteral("documents")), 1);
    QCOMPARE(rowCount(corpus, QStringLiteral("passages")), 1);
    QCOMPARE(sourcePaths(corpus, name), QStringList());
}

void TestRagToolIngest::failedFirstIngestMakesNoCorpus()
{
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    writeFile(project + QStringLiteral("/photo.xyz"), "data");
    QVERIFY(runRag({QStringLiteral("ingest"), project + QStringLiteral("/photo.xyz")}, project).exitCode != 0);
    QVERIFY(runRag({QStringLiteral("ingest"), project + QStringLiteral("/absent.pdf")}, project).exitCode != 0);
    QVERIFY(!QFileInfo::exists(project + QStringLiteral("/data")));
    if (::geteuid() != 0) { // root reads everything
        const QString locked = project + QStringLiteral("/locked.txt");
        writeFile(locked, "secret words");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        const RagRun run = runRag({QStringLiteral("ingest"), locked}, project);
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.err.join('\n').contains(QStringLiteral("ERROR ")));
        QVERIFY(!QFileInfo::exists(project + QStringLiteral("/data")));
    }
    // Wrong use is an error too.
    QCOMPARE(runRag({QStringLiteral("ingest")}, project).exitCode, 2);
    QCOMPARE(runRag({QStringLiteral("frobnicate")}, project).exitCode, 2);
}

void TestRagToolIngest::killedIngestLeavesCorpusReadable_data()
{
    QTest::addColumn<QByteArray>("phase"); // the log line after which rag is killed
    QTest::addColumn<int>("delayMs");
    QTest::newRow("while reading") << QByteArray("INFO ingesting") << 0;
    QTest::newRow("as writing starts") << QByteArray("INFO writing") << 20;
    QTest::newRow("well into writing") << QByteArray("INFO writing") << 400;
}

void TestRagToolIngest::killedIngestLeavesCorpusReadable()
{
    QFETCH(QByteArray, phase);
    QFETCH(int, delayMs);
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    const QString small = project + QStringLiteral("/small.txt");
    QVERIFY(writeFile(small, "The night ferry leaves the harbour at eleven."));
    QCOMPARE(runRag({QStringLiteral("ingest"), small}, project).exitCode, 0);

    // A large text whose passages take a while to write.
    static const QByteArray large = [] {
        QByteArray text;
        for (int i = 0; text.size() < 48 * 1024 * 1024; ++i)
            text += "Ledger entry " + QByteArray::number(i) + " records crate " + QByteArray::number(qint64(i) * 7919 % 100003)
                + " of tea leaves shipped to warehouse " + QByteArray::number(i % 97) + ". ";
        return text;
    }();
    const QString big = project + QStringLiteral("/ledger.txt");
    QVERIFY(writeFile(big, large));

    QProcess ingest;
    ingest.setWorkingDirectory(project);
    ingest.start(ragExecutable(), {QStringLiteral("ingest"), big});
    QVERIFY(ingest.waitForStarted());
    QByteArray log;
    QElapsedTimer clock;
    clock.start();
    while (!log.contains(phase) && ingest.state() == QProcess::Running && clock.elapsed() < 120000) {
        ingest.waitForReadyRead(50);
        log += ingest.readAllStandardError();
    }
    QVERIFY2(log.contains(phase), log.constData());
    QThread::msleep(ulong(delayMs));

    // While rag writes, the app's lookup is not kept waiting.
    QCOMPARE(sourcePaths(corpus, QStringLiteral("small.txt")), QStringList{small});

    QCOMPARE(ingest.state(), QProcess::Running); // the kill lands mid-ingest
    ::kill(pid_t(ingest.processId()), SIGKILL);
    QVERIFY(ingest.waitForFinished());
    QCOMPARE(ingest.exitStatus(), QProcess::CrashExit);
    QVERIFY(!ingest.readAllStandardOutput().contains("Ingested"));

    QCOMPARE(integrityCheck(corpus), QStringLiteral("ok"));
    QCOMPARE(rowCount(corpus, QStringLiteral("documents")), 1);
    QCOMPARE(rowCount(corpus, QStringLiteral("passages")), 1);
    QCOMPARE(rowCount(corpus, QStringLiteral("passage_index")), 1);
    const RagRun status = runRag({QStringLiteral("status")}, project);
    QCOMPARE(status.exitCode, 0);
    QVERIFY(status.out.contains(QStringLiteral("Documents: 1")));
    const RagRun ask = runRag({QStringLiteral("ask"), QStringLiteral("When does the ferry leave?")}, project);
    QVERIFY(ask.out.join('\n').contains(QStringLiteral("eleven")));
    // And the corpus still takes new documents.
    QCOMPARE(runRag({QStringLiteral("ingest"), small}, project).exitCode, 0);
    QCOMPARE(rowCount(corpus, QStringLiteral("documents")), 2);
}

void TestRagToolIngest::dataDirFromProjectFile_data()
{
    QTest::addColumn<QByteArray>("toml");
    QTest::addColumn<QString>("expected"); // relative to the project, "~" for the home folder
    QTest::newRow("single quotes") << QByteArray("data_dir = 'store'\n") << "store";
    QTest::newRow("double quotes, tilde") << QByteArray("data_dir = \"~/rag-home-data\"\n") << "~/rag-home-data";
    QTest::newRow("single quotes, tilde") << QByteArray("  data_dir='~/rag single'\n") << "~/rag single";
    QTest::newRow("no key") << QByteArray("[llm]\nmodel = \"small\"\n") << "data";
    QTest::newRow("commented out") << QByteArray("# data_dir = \"nope\"\n") << "data";
    QTest::newRow("first line wins") << QByteArray("data_dir = \"one\"\n[x]\ndata_dir = \"two\"\n") << "one";
}

void TestRagToolIngest::dataDirFromProjectFile()
{
    QFETCH(QByteArray, toml);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString project = makeProject(dir, toml);
    const QString home = tovik::test::isolatedHomePath();
    const QString dataDir = expected.startsWith(QLatin1Char('~')) ? home + expected.mid(1)
                                                                   : project + QLatin1Char('/') + expected;
    QDir(dataDir).removeRecursively();

    QVERIFY(writeFile(project + QStringLiteral("/a.md"), "# Tides\n\nHigh tide is at noon."));
    QCOMPARE(runRag({QStringLiteral("ingest"), project + QStringLiteral("/a.md")}, project).exitCode, 0);
    QVERIFY2(QFileInfo::exists(dataDir + QStringLiteral("/corpus.sqlite")), qPrintable(dataDir));
    const RagRun status = runRag({QStringLiteral("status")}, project);
    QVERIFY2(status.out.contains(QStringLiteral("Data directory: ") + dataDir), qPrintable(status.out.join('\n')));
    QDir(dataDir).removeRecursively();
}

void TestRagToolIngest::projectSearchGoesUpEightFolders()
{
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    const QString seven = project + QStringLiteral("/1/2/3/4/5/6/7");
    QVERIFY(QDir().mkpath(seven + QStringLiteral("/8")));
    QVERIFY(writeFile(project + QStringLiteral("/n.txt"), "Buoys are painted red on the port side."));
    QCOMPARE(runRag({QStringLiteral("ingest"), project + QStringLiteral("/n.txt")}, seven).exitCode, 0);
    QVERIFY(QFileInfo::exists(project + QStringLiteral("/data/corpus.sqlite")));

    const RagRun near = runRag({QStringLiteral("status")}, seven);
    QVERIFY(near.out.contains(QStringLiteral("Project folder: ") + project));
    // Nine folders up is too far: the per-user project is used.
    const RagRun far = runRag({QStringLiteral("status")}, seven + QStringLiteral("/8"));
    QVERIFY2(far.out.join('\n').contains(tovik::test::isolatedHomePath() + QStringLiteral("/.tovikrag")),
             qPrintable(far.out.join('\n')));
}

void TestRagToolIngest::fallsBackToPerUserProject()
{
    const QString fallback = tovik::test::isolatedHomePath() + QStringLiteral("/.tovikrag");
    QDir(fallback).removeRecursively();
    QTemporaryDir dir; // no rag.toml here or above
    const RagRun before = runRag({QStringLiteral("status")}, dir.path());
    QCOMPARE(before.exitCode, 0);
    QVERIFY(before.out.join('\n').contains(QStringLiteral("Project folder: ") + fallback));
    QVERIFY(!QFileInfo::exists(fallback));

    QVERIFY(writeFile(dir.filePath(QStringLiteral("k.txt")), "Kites fly over the dunes in autumn."));
    QCOMPARE(runRag({QStringLiteral("ingest"), QStringLiteral("k.txt")}, dir.path()).exitCode, 0);
    QVERIFY(QFileInfo::exists(fallback + QStringLiteral("/rag.toml")));
    QCOMPARE(sourcePaths(fallback + QStringLiteral("/data/corpus.sqlite"), QStringLiteral("k.txt")),
             QStringList{dir.filePath(QStringLiteral("k.txt"))});
    const RagRun ask = runRag({QStringLiteral("ask"), QStringLiteral("kites")}, dir.path());
    QVERIFY(ask.out.join('\n').contains(QStringLiteral("dunes")));
    QDir(fallback).removeRecursively();
}

void TestRagToolIngest::officeDocuments()
{
    QTemporaryDir dir;
    const QString project = makeProject(dir);
    QVERIFY(makeDocx(project + QStringLiteral("/memo.docx"),
                     {QStringLiteral("Budget review & planning"), QStringLiteral("The canal bridge opens at dawn.")}));
    QVERIFY(makePptx(project + QStringLiteral("/deck.pptx"),
                     {QStringLiteral("Welcome aboard"), QStringLiteral("Lifeboats hold forty people."),
                      QStringLiteral("Questions")}));
    QCOMPARE(runRag({QStringLiteral("ingest"), project + QStringLiteral("/memo.docx")}, project).exitCode, 0);
    QCOMPARE(runRag({QStringLiteral("ingest"), project + QStringLiteral("/deck.pptx")}, project).exitCode, 0);

    RagRun run = runRag({QStringLiteral("ask"), QStringLiteral("When does the canal bridge open?")}, project);
    QList<Citation> cited = citations(run.out.value(0));
    QCOMPARE(cited.size(), 1);
    QCOMPARE(cited.first().filename, QStringLiteral("memo.docx"));
    QCOMPARE(cited.first().page, 1);
    QVERIFY(run.out.value(0).contains(QStringLiteral("dawn")));

    // Slides are cited by their place in the presentation, not by their file names.
    run = runRag({QStringLiteral("ask"), QStringLiteral("How many people fit in the lifeboats?")}, project);
    cited = citations(run.out.value(0));
    QCOMPARE(cited.size(), 1);
    QCOMPARE(cited.first().filename, QStringLiteral("deck.pptx"));
    QCOMPARE(cited.first().page, 2);
}

QTEST_GUILESS_MAIN(TestRagToolIngest)
#include "test_ragtool_ingest.moc"
