#include "history/questionhistorystore.h"
#include "hugepageheap.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <gnu/libc-version.h>

using namespace tovik;

// A long history is read with the allocator asking for huge pages: the application
// starts itself again with glibc's tunable when that pays.
class TestHugePageHeap : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void decidesByTheHistoryAndTheSystem();
    void longHistoryStartsTheApplicationAgainWithTheTunable();
    void restartedProcessPutsTheEnvironmentBack();
};

void TestHugePageHeap::decidesByTheHistoryAndTheSystem()
{
    HugePageHeap::Situation usual;
    usual.kernelMode = "always [madvise] never\n";
    usual.glibcVersion = "2.36";
    usual.historyBytes = qint64(170) << 20;
    QCOMPARE(HugePageHeap::tunablesToRestartWith(usual), QByteArray("glibc.malloc.hugetlb=1"));

    HugePageHeap::Situation situation = usual;
    situation.tunables = "glibc.malloc.arena_max=2";
    QCOMPARE(HugePageHeap::tunablesToRestartWith(situation),
             QByteArray("glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1"));
    situation.kernelMode = "[always] madvise never";
    situation.glibcVersion = "2.35";
    QVERIFY(HugePageHeap::tunablesToRestartWith(situation));

    // A history of ordinary size is not worth a second start, unless asked for.
    situation = usual;
    situation.historyBytes = HugePageHeap::worthFromHistoryBytes - 1;
    QVERIFY(!HugePageHeap::tunablesToRestartWith(situation));
    situation.asked = true;
    QVERIFY(HugePageHeap::tunablesToRestartWith(situation));

    // No point, or not wanted.
    const std::vector<std::function<void(HugePageHeap::Situation &)>> noRestart{
        [](auto &s) { s.kernelMode = "always madvise [never]"; },
        [](auto &s) { s.kernelMode.clear(); }, // no transparent huge pages at all
        [](auto &s) { s.glibcVersion = "2.31"; },
        [](auto &s) { s.tunables = "glibc.malloc.hugetlb=0"; },
        [](auto &s) { s.restarted = true; },
        [](auto &s) { s.declined = true; },
        [](auto &s) { s.underValgrind = true; },
    };
    for (const auto &change : noRestart) {
        situation = usual;
        situation.asked = true;
        change(situation);
        QVERIFY(!HugePageHeap::tunablesToRestartWith(situation));
    }
}

void TestHugePageHeap::longHistoryStartsTheApplicationAgainWithTheTunable()
{
    QFile mode(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
    if (!mode.open(QIODevice::ReadOnly) || mode.readAll().contains("[never]"))
        QSKIP("this kernel gives no transparent huge pages");
    if (QVersionNumber::fromString(QString::fromLatin1(gnu_get_libc_version())) < QVersionNumber(2, 35))
        QSKIP("glibc before 2.35 has no huge page tunable");

    // A history file the size of a long one (its content does not matter here).
    const QString history = QuestionHistoryStore::defaultDatabasePath();
    QVERIFY(QDir().mkpath(QFileInfo(history).absolutePath()));
    QFile file(history);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(HugePageHeap::worthFromHistoryBytes));
    file.close();

    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.remove(QStringLiteral("GLIBC_TUNABLES"));
    environment.remove(QStringLiteral("TOVIK_HUGE_PAGES"));
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(TOVIK_APP_PATH), {});
    QVERIFY(app.waitForStarted());
    // The same process, started again: its environment now carries the tunable.
    const QString environ = QStringLiteral("/proc/%1/environ").arg(app.processId());
    const auto started = [&environ] {
        QFile process(environ);
        return process.open(QIODevice::ReadOnly) && process.readAll().split('\0').contains("GLIBC_TUNABLES=glibc.malloc.hugetlb=1");
    };
    QTRY_VERIFY_WITH_TIMEOUT(started(), 20000);
    app.terminate();
    QVERIFY(app.waitForFinished(20000));
    QFile::remove(history);
}

void TestHugePageHeap::restartedProcessPutsTheEnvironmentBack()
{
    // What the first start leaves for the second: the programs the application starts
    // (rag) must see the user's own tunables, or none.
    char name[] = "tovikrag";
    char *argv[] = {name, nullptr};
    QVERIFY(!HugePageHeap::isInUse());
    qputenv("TOVIK_HUGE_PAGES_RESTARTED", "1");
    qputenv("TOVIK_ORIGINAL_GLIBC_TUNABLES", "glibc.malloc.arena_max=2");
    qputenv("GLIBC_TUNABLES", "glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
    HugePageHeap::restartIfWorthIt(argv);
    QVERIFY(HugePageHeap::isInUse());
    QCOMPARE(qgetenv("GLIBC_TUNABLES"), QByteArray("glibc.malloc.arena_max=2"));
    QVERIFY(!qEnvironmentVariableIsSet("TOVIK_HUGE_PAGES_RESTARTED"));
    QVERIFY(!qEnvironmentVariableIsSet("TOVIK_ORIGINAL_GLIBC_TUNABLES"));

    qputenv("TOVIK_HUGE_PAGES_RESTARTED", "1");
    qputenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1");
    HugePageHeap::restartIfWorthIt(argv);
    QVERIFY(!qEnvironmentVariableIsSet("GLIBC_TUNABLES"));
}

QTEST_GUILESS_MAIN(TestHugePageHeap)
#include "test_hugepageheap.moc"
