#include "support/isolatedhome.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tovik;

namespace {

// The built application with the isolated home of this test, logging what it does.
std::unique_ptr<QProcess> launch(const QStringList &arguments, const QString &directory)
{
    auto app = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tovik.*=true"));
    app->setProcessEnvironment(environment);
    app->setWorkingDirectory(directory);
    app->start(QStringLiteral(TOVIK_APP_PATH), arguments);
    return app;
}

// Everything the first instance has written on stderr so far.
struct Log
{
    explicit Log(QProcess &process)
        : connection(QObject::connect(&process, &QProcess::readyReadStandardError, &process, [this, &process] {
            text += QString::fromUtf8(process.readAllStandardError());
        }))
    {
    }
    ~Log() { QObject::disconnect(connection); }
    Q_DISABLE_COPY_MOVE(Log)

    int count(const QString &part) const { return int(text.count(part)); }
    QMetaObject::Connection connection;
    QString text;
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void secondLaunchHandsOverAndLeaves();
    void launchAfterACrashTakesTheName();

private:
    // Starts the instance that later launches hand over to, with the scripted rag.
    std::unique_ptr<QProcess> startFirst();

    QTemporaryDir m_scratch;
};

std::unique_ptr<QProcess> TestSingleInstance::startFirst()
{
    const QString rag = test::testDataPath() + QStringLiteral("/support/fake-rag.sh");
    return launch({QStringLiteral("--working-directory"), m_scratch.path(), QStringLiteral("--rag"), rag},
                  m_scratch.path());
}

void TestSingleInstance::secondLaunchHandsOverAndLeaves()
{
    std::unique_ptr<QProcess> first = startFirst();
    Log log(*first);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("listening on")) == 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("exited with status 0")) == 1, 30000); // the status check

    // A relative name means the second launch's folder, not the first's.
    const QString folder = m_scratch.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = QStringLiteral("tax return 報稅.txt");
    std::unique_ptr<QProcess> second = launch({file}, folder);
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("queued 1 handed-over files in tab 2")) == 1, 30000);
    // The new tab runs the ingest of the file, named by its absolute path.
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("ingest ") + folder + QLatin1Char('/') + file) == 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("exited with status 0")) == 2, 30000);

    // Without files the window only comes forward: no tab, no run.
    std::unique_ptr<QProcess> third = launch({}, folder);
    QVERIFY(third->waitForFinished(30000));
    QCOMPARE(third->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("handed over: 0 files")) == 1, 30000);

    // --version answers by itself.
    std::unique_ptr<QProcess> version = launch({QStringLiteral("--version")}, folder);
    QVERIFY(version->waitForFinished(30000));
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(version->readAllStandardOutput().startsWith("tovikRAG "));

    QCOMPARE(log.count(QStringLiteral("handed over:")), 2);
    QCOMPARE(log.count(QStringLiteral("handed-over files in tab")), 1);
    QCOMPARE(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished();
}

void TestSingleInstance::launchAfterACrashTakesTheName()
{
    std::unique_ptr<QProcess> crashing = startFirst();
    {
        Log log(*crashing);
        QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("listening on")) == 1, 30000);
    }
    crashing->kill(); // leaves its socket behind
    QVERIFY(crashing->waitForFinished());

    std::unique_ptr<QProcess> next = startFirst();
    Log log(*next);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("listening on")) == 1, 30000);
    QCOMPARE(log.count(QStringLiteral("removing the stale socket")), 1);
    std::unique_ptr<QProcess> second = launch({QStringLiteral("/tmp/x.txt")}, m_scratch.path());
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("queued 1 handed-over files in tab 2")) == 1, 30000);
    next->kill();
    next->waitForFinished();
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"
