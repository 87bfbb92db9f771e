#include "corpusfixture.h"
#include "i18n/interfacelanguage.h"
#include "preview/corpuslocation.h"
#include "preview/corpuslookup.h"
#include "preview/documentheader.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <future>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tovik;
using namespace tovik::test;

namespace {

// Runs the lookup on a thread of its own, so that a lookup stuck opening a file fails
// the test instead of hanging it.
std::future<CorpusLookup> lookUpAside(const QStringList &filenames, const QString &directory)
{
    std::promise<CorpusLookup> promise;
    std::future<CorpusLookup> result = promise.get_future();
    std::thread([promise = std::move(promise), filenames, directory]() mutable {
        promise.set_value(lookUpSourcePaths(filenames, directory));
    }).detach();
    return result;
}

bool isReady(const std::future<CorpusLookup> &result)
{
    return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// Makes something at `path` that is not a regular file; false if it could not.
bool makeOddFile(const QString &kind, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (kind == QLatin1String("folder"))
        return QDir().mkpath(path);
    if (kind == QLatin1String("named pipe"))
        return ::mkfifo(name.constData(), 0644) == 0;
    if (kind == QLatin1String("device"))
        return QFile::link(QStringLiteral("/dev/null"), path);
    if (kind == QLatin1String("socket")) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        ::close(fd); // the socket file stays
        return bound;
    }
    return false;
}

} // namespace

class TestCorpusLookup : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();

    void projectRootDepth_data();
    void projectRootDepth();
    void fallbackProjectListedOnce();
    void dataDirectoryFromRagToml_data();
    void dataDirectoryFromRagToml();
    void databaseOfFirstCandidateThatHasOne();
    void newestSourcePathFirstWithOlderCopyFallback();
    void manyFilesAreLookedUpAsOneByOne();
    void folderNamesWithUriCharactersAreRead();
    void extensionDecidesPdf();
    void missingTableOrColumnFailsWithSqliteText();
    void noDatabaseAndEmptyList();
    void sourceThatIsNoRegularFileSaysWhatItIs_data();
    void sourceThatIsNoRegularFileSaysWhatItIs();
    void corpusOrRagTomlThatBlocksOnOpenIsNotOpened();
    void walCorpusWithOpenWriteTransactionStaysUntouched();
    void crashLeftoverWalIsNotCheckpointed();
    void cleanWalCorpusGetsNoSideFiles();
    void hotJournalIsNotRolledBack();

private:
    QString home() const { return QDir::homePath(); }
    QString root() const { return m_dir->path(); }
    // Creates a corpus and checks after the test that the lookup left it as it was.
    void makeWatchedCorpus(const QString &path, const QList<CorpusRow> &rows, JournalMode mode = JournalMode::rollback);
    void watch(const QString &path) { m_watched.append({path, CorpusFiles::of(path)}); }
    void verifyWatchedUntouched();

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<std::pair<QString, CorpusFiles>> m_watched;
};

void TestCorpusLookup::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestCorpusLookup::cleanup()
{
    verifyWatchedUntouched();
    QDir(home() + QStringLiteral("/.tovikrag")).removeRecursively();
    QDir(home() + QStringLiteral("/proj")).removeRecursively();
    m_dir.reset();
}

void TestCorpusLookup::makeWatchedCorpus(const QString &path, const QList<CorpusRow> &rows, JournalMode mode)
{
    makeCorpus(path, rows, mode);
    watch(path);
}

void TestCorpusLookup::verifyWatchedUntouched()
{
    const auto watched = std::exchange(m_watched, {});
    for (const auto &[path, before] : watched) {
        const CorpusFiles after = CorpusFiles::of(path);
        QVERIFY2(after == before, qPrintable(QStringLiteral("%1 changed\nbefore %2\nafter  %3")
                                                 .arg(path, before.describe(), after.describe())));
    }
}

void TestCorpusLookup::projectRootDepth_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("startAtFile");
    QTest::addColumn<bool>("fallbackExists");
    QTest::addColumn<bool>("findsProject");

    QTest::newRow("the project itself") << 0 << false << false << true;
    QTest::newRow("3 below") << 3 << false << false << true;
    QTest::newRow("7 below, the last folder looked at") << 7 << false << false << true;
    QTest::newRow("a file 3 below starts at its folder") << 3 << true << false << true;
    QTest::newRow("8 below, nothing else") << 8 << false << false << false;
    QTest::newRow("8 below, ~/.tovikrag instead") << 8 << false << true << false;
    QTest::newRow("3 below, ~/.tovikrag after it") << 3 << false << true << true;
}

void TestCorpusLookup::projectRootDepth()
{
    QFETCH(int, depth);
    QFETCH(bool, startAtFile);
    QFETCH(bool, fallbackExists);
    QFETCH(bool, findsProject);

    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    QString start = project;
    for (int level = 1; level <= depth; ++level)
        start += QStringLiteral("/level%1").arg(level);
    QVERIFY(QDir().mkpath(start));
    if (startAtFile) {
        start += QStringLiteral("/notes.txt");
        writeFile(start, "x");
    }
    const QString fallback = home() + QStringLiteral("/.tovikrag");
    if (fallbackExists)
        writeFile(fallback + QStringLiteral("/rag.toml"), "");

    QStringList expected;
    if (findsProject)
        expected << project;
    if (fallbackExists)
        expected << fallback;
    QCOMPARE(corpusCandidates(start), expected);
}

void TestCorpusLookup::fallbackProjectListedOnce()
{
    const QString fallback = home() + QStringLiteral("/.tovikrag");
    writeFile(fallback + QStringLiteral("/rag.toml"), "data_dir = \"store\"\n");
    QVERIFY(QDir().mkpath(fallback + QStringLiteral("/store/sub")));
    QCOMPARE(corpusCandidates(fallback + QStringLiteral("/store/sub")), QStringList{fallback});
    QCOMPARE(corpusCandidates(QStringLiteral("~/.tovikrag")), QStringList{fallback});
}

void TestCorpusLookup::dataDirectoryFromRagToml_data()
{
    QTest::addColumn<QByteArray>("toml");
    QTest::addColumn<QString>("expected"); // {home} and {project} are filled in

    QTest::newRow("double-quoted ~ value") << QByteArray("[rag]\ndata_dir = \"~/corpora/main\"\n")
                                           << QStringLiteral("{home}/corpora/main");
    QTest::newRow("single-quoted relative value") << QByteArray("data_dir='store'\n") << QStringLiteral("{project}/store");
    QTest::newRow("no data_dir line") << QByteArray("[rag]\nmodel = \"x\"\n") << QStringLiteral("{project}/data");
    QTest::newRow("commented-out line") << QByteArray("# data_dir = \"elsewhere\"\n")
                                        << QStringLiteral("{project}/data");
    QTest::newRow("mixed quotes, tabs, inner space kept") << QByteArray("\t data_dir\t=\t\"my store'\n")
                                                          << QStringLiteral("{project}/my store");
    QTest::newRow("first line anywhere wins") << QByteArray("[a]\ndata_dir = \"first\"\n[rag]\ndata_dir = \"second\"\n")
                                              << QStringLiteral("{project}/first");
    QTest::newRow("relative value standardized") << QByteArray("data_dir = \"../shared/./c/\"\n")
                                                 << QStringLiteral("{root}/shared/c");
    QTest::newRow("absolute value standardized") << QByteArray("data_dir = \"/srv//rag/../corpus\"\n")
                                                 << QStringLiteral("/srv/corpus");
    QTest::newRow("not UTF-8") << QByteArray("data_dir = \"st\xff\xfe\"\n") << QStringLiteral("{project}/data");
}

void TestCorpusLookup::dataDirectoryFromRagToml()
{
    QFETCH(QByteArray, toml);
    QFETCH(QString, expected);
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), toml);
    expected.replace(QStringLiteral("{home}"), home())
        .replace(QStringLiteral("{project}"), project)
        .replace(QStringLiteral("{root}"), root());
    QCOMPARE(dataDirectory(project), expected);
    QCOMPARE(dataDirectory(root() + QStringLiteral("/no-toml-here")), root() + QStringLiteral("/no-toml-here/data"));
}

void TestCorpusLookup::databaseOfFirstCandidateThatHasOne()
{
    // A project typed with a tilde, its corpus in a data_dir of its own.
    const QString project = home() + QStringLiteral("/proj");
    writeFile(project + QStringLiteral("/rag.toml"), "data_dir = 'store'\n");
    QVERIFY(QDir().mkpath(project + QStringLiteral("/a/b/c")));
    const QString fallbackCorpus = home() + QStringLiteral("/.tovikrag/data/corpus.sqlite");
    writeFile(home() + QStringLiteral("/.tovikrag/rag.toml"), "");
    makeWatchedCorpus(fallbackCorpus, {});

    QCOMPARE(corpusDatabasePath(QStringLiteral("~/proj/a/b/c")), fallbackCorpus);
    const QString projectCorpus = project + QStringLiteral("/store/corpus.sqlite");
    makeWatchedCorpus(projectCorpus, {});
    QCOMPARE(corpusDatabasePath(QStringLiteral("~/proj/a/b/c")), projectCorpus);

    QDir(home() + QStringLiteral("/.tovikrag")).removeRecursively();
    m_watched.removeIf([&](const auto &entry) { return entry.first == fallbackCorpus; });
    QCOMPARE(corpusDatabasePath(root()), std::nullopt);
}

void TestCorpusLookup::newestSourcePathFirstWithOlderCopyFallback()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const QString older = root() + QStringLiteral("/files/2024/report.pdf");
    const QString newer = root() + QStringLiteral("/files/2025/report.pdf");
    writeFile(older, "%PDF-1.4 old");
    writeFile(newer, "%PDF-1.4 new");
    makeWatchedCorpus(project + QStringLiteral("/data/corpus.sqlite"),
                      {{QStringLiteral("report.pdf"), older, QStringLiteral("2024-03-01T10:00:00Z")},
                       {QStringLiteral("report.pdf"), newer, QStringLiteral("2025-01-05T09:00:00Z")},
                       {QStringLiteral("report.pdf"), QString(), QStringLiteral("2025-06-01T00:00:00Z")},
                       {QStringLiteral("other.pdf"), QStringLiteral("/x/other.pdf"), QStringLiteral("2025-01-01")}});

    const CorpusLookup lookup = lookUpSourcePaths(
        {QStringLiteral("report.pdf"), QStringLiteral("REPORT.PDF"), QStringLiteral("report.pdf")}, project);
    QVERIFY(!lookup.failed);
    QCOMPARE(lookup.notice(), std::nullopt);
    QCOMPARE(lookup.sourcePaths.size(), 2);
    const QStringList paths = lookup.sourcePaths.value(QStringLiteral("report.pdf"));
    QCOMPARE(paths, (QStringList{newer, older}));
    QCOMPARE(lookup.sourcePaths.value(QStringLiteral("REPORT.PDF")), QStringList{});

    QCOMPARE(makeHeader(QStringLiteral("report.pdf"), paths),
             (DocumentHeader{QStringLiteral("report.pdf"), newer, std::nullopt}));
    QVERIFY(QFile::remove(newer));
    QCOMPARE(makeHeader(QStringLiteral("report.pdf"), paths),
             (DocumentHeader{QStringLiteral("report.pdf"), older, std::nullopt}));
    QVERIFY(QFile::remove(older));
    QCOMPARE(makeHeader(QStringLiteral("report.pdf"), paths),
             (DocumentHeader{QStringLiteral("report.pdf"), newer, QStringLiteral("File does not exist: ") + newer}));
    QCOMPARE(makeHeader(QStringLiteral("REPORT.PDF"), {}),
             (DocumentHeader{QStringLiteral("REPORT.PDF"), std::nullopt, QStringLiteral("The corpus has no “REPORT.PDF”.")}));

    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(makeHeader(QStringLiteral("a.pdf"), {}).problem, QStringLiteral("語料庫中沒有「a.pdf」。"));
}

void TestCorpusLookup::manyFilesAreLookedUpAsOneByOne()
{
    // Past a few dozen names the lookup asks for all of them in one query; the answers
    // must be those of one query per name: exact names, newest first, no NULL paths.
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const auto name = [](int i) {
        return i % 10 == 0 ? QStringLiteral("it's “%1” 報告.pdf").arg(i) : QStringLiteral("f%1.pdf").arg(i);
    };
    QList<CorpusRow> rows;
    QStringList wanted;
    for (int i = 0; i < 100; ++i) {
        rows.append({name(i), QStringLiteral("/old/%1.pdf").arg(i), QStringLiteral("2024-01-01")});
        if (i % 2 == 0)
            rows.append({name(i), QStringLiteral("/new/%1.pdf").arg(i), QStringLiteral("2025-01-01")});
        if (i % 7 == 0)
            rows.append({name(i), QString(), QStringLiteral("2026-01-01")});
        wanted.append(name(i));
    }
    makeWatchedCorpus(project + QStringLiteral("/data/corpus.sqlite"), rows);
    wanted += {QStringLiteral("F1.PDF"), QStringLiteral("absent.pdf"), name(3), name(10)};

    const CorpusLookup many = lookUpSourcePaths(wanted, project);
    QVERIFY(!many.failed);
    QCOMPARE(many.sourcePaths.size(), 102);
    for (int i = 0; i < 100; ++i) {
        QStringList expected;
        if (i % 2 == 0)
            expected.append(QStringLiteral("/new/%1.pdf").arg(i));
        expected.append(QStringLiteral("/old/%1.pdf").arg(i));
        QCOMPARE(many.sourcePaths.value(name(i)), expected);
    }
    QCOMPARE(many.sourcePaths.value(QStringLiteral("F1.PDF")), QStringList{});
    QVERIFY(many.sourcePaths.contains(QStringLiteral("absent.pdf")));
    // A few names take one query each, with the same answers.
    const QStringList few{name(10), name(3), QStringLiteral("F1.PDF")};
    const CorpusLookup oneByOne = lookUpSourcePaths(few, project);
    for (const QString &each : few)
        QCOMPARE(oneByOne.sourcePaths.value(each), many.sourcePaths.value(each));
}

void TestCorpusLookup::folderNamesWithUriCharactersAreRead()
{
    // The corpus is opened through a file: URI, where these would end or change the path.
    for (const QString &folder : {QStringLiteral("a #b?c%d e"), QStringLiteral("x%2Fy")}) {
        const QString project = root() + QLatin1Char('/') + folder;
        writeFile(project + QStringLiteral("/rag.toml"), "");
        const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
        makeWatchedCorpus(corpus, {{QStringLiteral("a.pdf"), QStringLiteral("/src/a.pdf"), QStringLiteral("2024")}});
        QCOMPARE(corpusDatabasePath(project), corpus);
        const CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project + QStringLiteral("/data"));
        QVERIFY2(!lookup.failed, qPrintable(folder + QStringLiteral(": ") + lookup.detail.value_or(QString())));
        QCOMPARE(lookup.sourcePaths.value(QStringLiteral("a.pdf")), QStringList{QStringLiteral("/src/a.pdf")});
    }
}

void TestCorpusLookup::extensionDecidesPdf()
{
    const QString notPdf = QStringLiteral("This file isn't a PDF, so its pages can't be previewed.");
    const struct
    {
        const char *name;
        std::optional<QString> problem;
    } cases[] = {{"Scan.PDF", std::nullopt}, {"notes.pdf.txt", notPdf}, {"README", notPdf}, {"v1.2/plan", notPdf}};
    for (const auto &entry : cases) {
        const QString path = root() + QStringLiteral("/files/") + QLatin1String(entry.name);
        writeFile(path, "x");
        const DocumentHeader header = makeHeader(QStringLiteral("cited"), {path});
        QCOMPARE(header.sourcePath, path);
        QCOMPARE(header.problem, entry.problem);
    }
}

void TestCorpusLookup::missingTableOrColumnFailsWithSqliteText()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");

    makeDatabase(corpus, "CREATE TABLE chunks (id INTEGER PRIMARY KEY, text TEXT)");
    watch(corpus);
    CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY(lookup.failed);
    QCOMPARE(lookup.detail, QStringLiteral("no such table: documents"));
    QCOMPARE(lookup.notice(), QStringLiteral("Couldn't open corpus.sqlite: no such table: documents"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(lookup.notice(), QStringLiteral("無法開啟 corpus.sqlite：no such table: documents"));
    verifyWatchedUntouched();

    makeDatabase(corpus, "CREATE TABLE documents (filename TEXT, source_path TEXT)");
    watch(corpus);
    lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY(lookup.failed);
    QCOMPARE(lookup.detail, QStringLiteral("no such column: ingested_at"));
    verifyWatchedUntouched();

    writeFile(corpus, QByteArray("not a database, just some text that is long enough to have a header").repeated(4));
    watch(corpus);
    lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY(lookup.failed);
    QCOMPARE(lookup.detail, QStringLiteral("file is not a database"));
}

void TestCorpusLookup::noDatabaseAndEmptyList()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY(lookup.failed);
    QCOMPARE(lookup.detail, std::nullopt);
    QCOMPARE(lookup.notice(), QStringLiteral("corpus.sqlite wasn't found in the working directory."));

    // Nothing is looked up for an answer without citations, so no database is needed.
    lookup = lookUpSourcePaths({}, project);
    QVERIFY(!lookup.failed);
    QVERIFY(lookup.sourcePaths.isEmpty());
}

void TestCorpusLookup::sourceThatIsNoRegularFileSaysWhatItIs_data()
{
    QTest::addColumn<QString>("kind"); // empty: nothing at the path
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing") << QString() << QStringLiteral("File does not exist: {path}");
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("{path} is a folder, not a regular file.");
    QTest::newRow("named pipe") << QStringLiteral("named pipe") << QStringLiteral("{path} is a named pipe, not a regular file.");
    QTest::newRow("device") << QStringLiteral("device") << QStringLiteral("{path} is a device, not a regular file.");
    QTest::newRow("socket") << QStringLiteral("socket") << QStringLiteral("{path} is a socket, not a regular file.");
}

void TestCorpusLookup::sourceThatIsNoRegularFileSaysWhatItIs()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    const QString path = root() + QStringLiteral("/report.pdf");
    QVERIFY(kind.isEmpty() || makeOddFile(kind, path));
    // Only the newest path is described when no copy is readable.
    QCOMPARE(makeHeader(QStringLiteral("report.pdf"), {path, root() + QStringLiteral("/gone.pdf")}),
             (DocumentHeader{QStringLiteral("report.pdf"), path, QString(problem).replace(QStringLiteral("{path}"), path)}));

    // A row without a path has nothing to point at.
    QCOMPARE(makeHeader(QStringLiteral("report.pdf"), {QString()}),
             (DocumentHeader{QStringLiteral("report.pdf"), std::nullopt,
                             QStringLiteral("The corpus lists no file path for “report.pdf”.")}));
}

void TestCorpusLookup::corpusOrRagTomlThatBlocksOnOpenIsNotOpened()
{
    const QString project = root() + QStringLiteral("/project");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    QVERIFY(QDir().mkpath(project + QStringLiteral("/data")));
    QVERIFY(makeOddFile(QStringLiteral("named pipe"), project + QStringLiteral("/rag.toml")));

    // A named pipe where the corpus should be is reported, not opened.
    QVERIFY(makeOddFile(QStringLiteral("named pipe"), corpus));
    std::future<CorpusLookup> pending = lookUpAside({QStringLiteral("a.pdf")}, project);
    QTRY_VERIFY(isReady(pending));
    CorpusLookup lookup = pending.get();
    QVERIFY(lookup.failed);
    QCOMPARE(lookup.notice(), QStringLiteral("Couldn't open corpus.sqlite: ") + corpus
                                  + QStringLiteral(" is a named pipe, not a regular file."));

    // The unreadable rag.toml leaves the data folder at its default.
    QVERIFY(QFile::remove(corpus));
    makeWatchedCorpus(corpus, {{QStringLiteral("a.pdf"), QStringLiteral("/src/a.pdf"), QStringLiteral("2024")}});
    pending = lookUpAside({QStringLiteral("a.pdf")}, project);
    QTRY_VERIFY(isReady(pending));
    lookup = pending.get();
    QVERIFY(!lookup.failed);
    QCOMPARE(lookup.sourcePaths.value(QStringLiteral("a.pdf")), QStringList{QStringLiteral("/src/a.pdf")});
}

void TestCorpusLookup::walCorpusWithOpenWriteTransactionStaysUntouched()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    makeCorpus(corpus, {{QStringLiteral("a.pdf"), QStringLiteral("/old/a.pdf"), QStringLiteral("2024-01-01T00:00:00Z")}},
               JournalMode::wal);

    CorpusWriter writer(QStringLiteral("hold"), corpus);
    QVERIFY(writer.isReady());
    watch(corpus);
    QVERIFY(m_watched.first().second.wal.exists && m_watched.first().second.shm.exists);

    const CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY2(!lookup.failed, qPrintable(lookup.detail.value_or(QString())));
    // The committed row is seen, the uncommitted one is not.
    QCOMPARE(lookup.sourcePaths.value(QStringLiteral("a.pdf")),
             (QStringList{QStringLiteral("/committed/a.pdf"), QStringLiteral("/old/a.pdf")}));
    verifyWatchedUntouched();
    writer.finish();
}

void TestCorpusLookup::crashLeftoverWalIsNotCheckpointed()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    makeCorpus(corpus, {{QStringLiteral("a.pdf"), QStringLiteral("/old/a.pdf"), QStringLiteral("2024-01-01T00:00:00Z")}},
               JournalMode::wal);
    CorpusWriter writer(QStringLiteral("crash-wal"), corpus);
    QVERIFY(writer.isReady());
    watch(corpus);
    QVERIFY(m_watched.first().second.wal.bytes.size() > 32);

    // Closing the last connection would normally fold the leftover WAL into the file.
    const CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY2(!lookup.failed, qPrintable(lookup.detail.value_or(QString())));
    QCOMPARE(lookup.sourcePaths.value(QStringLiteral("a.pdf")),
             (QStringList{QStringLiteral("/committed/a.pdf"), QStringLiteral("/old/a.pdf")}));
}

void TestCorpusLookup::cleanWalCorpusGetsNoSideFiles()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    makeWatchedCorpus(corpus, {{QStringLiteral("a.pdf"), QStringLiteral("/a.pdf"), QStringLiteral("2024")}},
                      JournalMode::wal);
    QVERIFY(!QFile::exists(corpus + QStringLiteral("-wal")));

    for (int round = 0; round < 2; ++round) {
        const CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf"), QStringLiteral("b.pdf")}, project);
        QVERIFY(!lookup.failed);
        QCOMPARE(lookup.sourcePaths.value(QStringLiteral("a.pdf")), QStringList{QStringLiteral("/a.pdf")});
        QVERIFY(lookup.sourcePaths.contains(QStringLiteral("b.pdf")));
    }
}

void TestCorpusLookup::hotJournalIsNotRolledBack()
{
    const QString project = root() + QStringLiteral("/project");
    writeFile(project + QStringLiteral("/rag.toml"), "");
    const QString corpus = project + QStringLiteral("/data/corpus.sqlite");
    makeCorpus(corpus, {{QStringLiteral("a.pdf"), QStringLiteral("/a.pdf"), QStringLiteral("2024")}});
    CorpusWriter writer(QStringLiteral("crash-journal"), corpus);
    QVERIFY(writer.isReady());
    watch(corpus);
    QVERIFY(m_watched.first().second.journal.exists);

    // Undoing rag's interrupted transaction is rag's job; the lookup reports the corpus
    // as unreadable instead of writing to it.
    const CorpusLookup lookup = lookUpSourcePaths({QStringLiteral("a.pdf")}, project);
    QVERIFY(lookup.failed);
    QVERIFY(lookup.detail && !lookup.detail->isEmpty());
}

QTEST_GUILESS_MAIN(TestCorpusLookup)
#include "test_corpuslookup.moc"
