#include "i18n/interfacelanguage.h"
#include "system/settingsstore.h"
#include "rag/ragpaths.h"
#include "rag/ragresolution.h"
#include "rag/ragsettings.h"
#include "ragtestsupport.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

// Runs resolveCommand and waits for its answer.
std::optional<ResolvedCommand> resolve(RagSettings &settings)
{
    bool answered = false;
    std::optional<ResolvedCommand> result;
    QObject context;
    resolveCommand(settings, &context, [&](const std::optional<ResolvedCommand> &command) {
        result = command;
        answered = true;
    });
    if (!QTest::qWaitFor([&] { return answered; }, 5000))
        qFatal("resolveCommand never answered");
    return result;
}

LoginShellOutput shellPrinting(const QByteArray &text, int exitCode = 0)
{
    return LoginShellOutput{true, true, exitCode, text};
}

} // namespace

class TestRagResolution : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();

    void settingsAreStoredOnEveryAssignment();
    void pathHelpers();
    void projectRootLooksEightFoldersUp();
    void pythonForCheckoutTriesCandidatesInOrder();
    void searchCandidatesKeepTheirOrder();
    void resolutionOrder();
    void checkoutWithoutPythonFails();
    void projectFolderAsProgramMovesWorkingDirectory();
    void loginShellAnswers_data();
    void loginShellAnswers();
    void resolutionWaitsForTheLoginShell();
    void systemLoginShellRunsTheUsersShell();
    void statusDisplayTextFollowsTheLanguage();

private:
    std::unique_ptr<QTemporaryDir> m_scratch;
    std::shared_ptr<FakeLoginShell> m_shell;
    std::unique_ptr<RagSettings> m_settings;
    QString path(const QString &relative) const { return m_scratch->filePath(relative); }
};

void TestRagResolution::init()
{
    m_scratch = std::make_unique<QTemporaryDir>();
    m_shell = std::make_shared<FakeLoginShell>();
    m_settings = std::make_unique<RagSettings>();
    confine(*m_settings, m_scratch->path(), m_shell);
    m_settings->setRagPath(QString());
    m_settings->setWorkingDirectory(path(QStringLiteral("empty")));
    QDir().mkpath(path(QStringLiteral("empty")));
}

void TestRagResolution::cleanup()
{
    m_settings.reset();
    QDir(QDir::homePath() + QStringLiteral("/.local")).removeRecursively();
    QDir(QDir::homePath() + QStringLiteral("/.tovikrag")).removeRecursively();
    QDir(QDir::homePath() + QStringLiteral("/bin")).removeRecursively();
}

void TestRagResolution::settingsAreStoredOnEveryAssignment()
{
    auto store = makeSettingsStore();
    store->remove(QStringLiteral("ragExecutablePath"));
    store->remove(QStringLiteral("ragWorkingDirectory"));
    {
        RagSettings fresh;
        QCOMPARE(fresh.ragPath(), QString());
        QCOMPARE(fresh.workingDirectory(), QDir::homePath());
        QCOMPARE(fresh.statusText(), QStringLiteral("Not checked yet."));
        QSignalSpy changed(&fresh, &RagSettings::ragPathChanged);
        fresh.setRagPath(QStringLiteral("~/bin/r"));
        fresh.setRagPath(QStringLiteral("~/bin/ra"));
        fresh.setRagPath(QStringLiteral("~/bin/ra"));
        QCOMPARE(changed.size(), 2);
        fresh.setWorkingDirectory(QStringLiteral("~/corpus"));
    }
    QCOMPARE(store->value(QStringLiteral("ragExecutablePath")).toString(), QStringLiteral("~/bin/ra"));
    QCOMPARE(store->value(QStringLiteral("ragWorkingDirectory")).toString(), QStringLiteral("~/corpus"));
    RagSettings reloaded;
    QCOMPARE(reloaded.ragPath(), QStringLiteral("~/bin/ra")); // kept as typed
    QCOMPARE(reloaded.workingDirectory(), QStringLiteral("~/corpus"));

    // A launch option's folder is used for the run but never replaces the saved one;
    // what the user types afterwards is stored as usual.
    reloaded.useWorkingDirectoryForThisRun(QStringLiteral("/demo"));
    QCOMPARE(reloaded.workingDirectory(), QStringLiteral("/demo"));
    QCOMPARE(store->value(QStringLiteral("ragWorkingDirectory")).toString(), QStringLiteral("~/corpus"));
    reloaded.setWorkingDirectory(QStringLiteral("~/typed"));
    QCOMPARE(store->value(QStringLiteral("ragWorkingDirectory")).toString(), QStringLiteral("~/typed"));
}

void TestRagResolution::pathHelpers()
{
    const QString home = QDir::homePath();
    QCOMPARE(expandTilde(QStringLiteral("~")), home);
    QCOMPARE(expandTilde(QStringLiteral("~/a/b")), home + QStringLiteral("/a/b"));
    QCOMPARE(expandTilde(QStringLiteral("/x/~/y")), QStringLiteral("/x/~/y"));

    writeFile(home + QStringLiteral("/bin/rag"), "#!/bin/sh\n", true);
    writeFile(home + QStringLiteral("/bin/plain"), "text");
    QVERIFY(isExecutableRag(QStringLiteral("~/bin/rag")));
    QVERIFY(!isExecutableRag(QStringLiteral("~/bin/plain")));
    QVERIFY(!isExecutableRag(QStringLiteral("~/bin")));      // a directory is never the program
    QVERIFY(!isExecutableRag(QString()));
    QVERIFY(!isExecutableRag(QStringLiteral("~/bin/missing")));
    QVERIFY(isDirectoryPath(QStringLiteral("~/bin")));
    QVERIFY(!isDirectoryPath(QStringLiteral("~/bin/rag")));
    QVERIFY(!isDirectoryPath(QString()));
}

void TestRagResolution::projectRootLooksEightFoldersUp()
{
    const QString root = path(QStringLiteral("corpus"));
    writeFile(root + QStringLiteral("/rag.toml"));
    const QString seven = root + QStringLiteral("/1/2/3/4/5/6/7");
    const QString eight = seven + QStringLiteral("/8");
    QDir().mkpath(eight);
    QCOMPARE(projectRoot(root), root);
    QCOMPARE(projectRoot(seven), root);
    QCOMPARE(projectRoot(eight), std::nullopt);
    // A file starts from its folder; "." and ".." are resolved first.
    writeFile(seven + QStringLiteral("/notes.txt"));
    QCOMPARE(projectRoot(seven + QStringLiteral("/notes.txt")), root);
    QCOMPARE(projectRoot(eight + QStringLiteral("/../.")), root);
    QCOMPARE(sourceCheckoutRoot(seven), std::nullopt); // no src/ragcli/cli.py

    // Eight folders down the search falls back to the working directory itself.
    writeFile(eight + QStringLiteral("/venv/bin/rag"), "#!/bin/sh\n", true);
    m_settings->setWorkingDirectory(eight);
    QCOMPARE(searchBaseFolder(*m_settings), eight);
    QCOMPARE(resolve(*m_settings), (ResolvedCommand{eight + QStringLiteral("/venv/bin/rag"), {}, {}}));
    QCOMPARE(m_settings->ragPath(), eight + QStringLiteral("/venv/bin/rag"));
}

void TestRagResolution::pythonForCheckoutTriesCandidatesInOrder()
{
    const QString root = path(QStringLiteral("checkout"));
    const QString sys = m_settings->systemRoot();
    QCOMPARE(pythonForCheckout(root, sys), std::nullopt);
    writeFile(sys + QStringLiteral("/usr/bin/python3"), {}, true);
    QCOMPARE(pythonForCheckout(root, sys), sys + QStringLiteral("/usr/bin/python3"));
    writeFile(sys + QStringLiteral("/usr/local/bin/python3.13"), {}, true);
    QCOMPARE(pythonForCheckout(root, sys), sys + QStringLiteral("/usr/local/bin/python3.13"));
    writeFile(QDir::homePath() + QStringLiteral("/.tovikrag/venv/bin/python"), {}, true);
    QCOMPARE(pythonForCheckout(root, sys), QDir::homePath() + QStringLiteral("/.tovikrag/venv/bin/python"));
    writeFile(root + QStringLiteral("/venv/bin/python"), {}, false); // not executable: passed over
    QCOMPARE(pythonForCheckout(root, sys), QDir::homePath() + QStringLiteral("/.tovikrag/venv/bin/python"));
    writeFile(root + QStringLiteral("/venv/bin/python"), {}, true);
    QCOMPARE(pythonForCheckout(root, sys), root + QStringLiteral("/venv/bin/python"));
    writeFile(root + QStringLiteral("/.venv/bin/python"), {}, true);
    QCOMPARE(pythonForCheckout(root, sys), root + QStringLiteral("/.venv/bin/python"));
}

void TestRagResolution::searchCandidatesKeepTheirOrder()
{
    const QString base = path(QStringLiteral("empty"));
    const QString sys = m_settings->systemRoot();
    const QString home = QDir::homePath();
    QCOMPARE(ragSearchCandidates(*m_settings),
             (QStringList{base + "/.venv/bin/rag", base + "/venv/bin/rag", sys + "/opt/homebrew/bin/rag",
                          sys + "/usr/local/bin/rag", home + "/.local/bin/rag", home + "/.tovikrag/venv/bin/rag",
                          path(QStringLiteral("app/rag")), sys + "/usr/bin/rag"}));
    // Without a usable working directory there is no base folder.
    m_settings->setWorkingDirectory(path(QStringLiteral("gone")));
    QCOMPARE(ragSearchCandidates(*m_settings).first(), sys + "/opt/homebrew/bin/rag");

    // The first executable one wins; the login shell is not asked.
    writeFile(sys + QStringLiteral("/usr/bin/rag"), {}, true);
    writeFile(path(QStringLiteral("app/rag")), {}, true);
    m_shell->output = shellPrinting(QFile::encodeName(fakeRagPath()) + "\n");
    QCOMPARE(resolve(*m_settings)->executable, path(QStringLiteral("app/rag")));
    QCOMPARE(m_shell->runs, 0);
}

void TestRagResolution::resolutionOrder()
{
    const QString work = path(QStringLiteral("work"));
    makeCheckout(work);
    const QString explicitRag = path(QStringLiteral("tools/rag"));
    writeFile(explicitRag, {}, true);
    writeFile(QDir::homePath() + QStringLiteral("/.local/bin/rag"), {}, true);
    m_shell->output = shellPrinting(QFile::encodeName(fakeRagPath()) + "\n");

    // An executable ragPath wins over everything.
    m_settings->setWorkingDirectory(work);
    m_settings->setRagPath(explicitRag);
    QCOMPARE(resolve(*m_settings), (ResolvedCommand{explicitRag, {}, {}}));
    // Typed with a tilde, it is started from the home directory and kept as typed.
    writeFile(QDir::homePath() + QStringLiteral("/bin/rag"), {}, true);
    m_settings->setRagPath(QStringLiteral("~/bin/rag"));
    QCOMPARE(resolve(*m_settings), (ResolvedCommand{QDir::homePath() + QStringLiteral("/bin/rag"), {}, {}}));
    QCOMPARE(m_settings->ragPath(), QStringLiteral("~/bin/rag"));

    // Then a source checkout in the working directory, through its Python.
    m_settings->setRagPath(QString());
    const auto checkout = resolve(*m_settings);
    QVERIFY(checkout);
    QCOMPARE(checkout->executable, work + QStringLiteral("/.venv/bin/python"));
    QCOMPARE(checkout->leadingArguments,
             (QStringList{"-c", "from ragcli.cli import main; raise SystemExit(main())"}));
    QCOMPARE(checkout->extraEnvironment, (QMap<QString, QString>{{"PYTHONPATH", work + "/src"}}));
    QCOMPARE(m_settings->ragPath(), QString()); // a checkout is not stored as the program

    // Then the well-known locations, stored so the next resolution is direct.
    m_settings->setWorkingDirectory(path(QStringLiteral("empty")));
    QCOMPARE(resolve(*m_settings)->executable, QDir::homePath() + QStringLiteral("/.local/bin/rag"));
    QCOMPARE(m_settings->ragPath(), QDir::homePath() + QStringLiteral("/.local/bin/rag"));
    QCOMPARE(m_shell->runs, 0);

    // Last, the login shell.
    QFile::remove(QDir::homePath() + QStringLiteral("/.local/bin/rag"));
    m_settings->setRagPath(QString());
    QCOMPARE(resolve(*m_settings)->executable, fakeRagPath());
    QCOMPARE(m_shell->runs, 1);
    QCOMPARE(m_shell->lastCommand, QStringLiteral("command -v rag"));
    QCOMPARE(m_settings->ragPath(), fakeRagPath());

    // Nothing anywhere: the hint names what works on this system, in both languages.
    m_settings->setRagPath(QString());
    m_shell->output = shellPrinting({}, 1);
    QCOMPARE(resolve(*m_settings), std::nullopt);
    const QString hint = notFoundMessage(*m_settings);
    QVERIFY2(hint.startsWith(QStringLiteral("rag wasn't found.")) && hint.contains(QStringLiteral("~/.local/bin"))
                 && hint.contains(QStringLiteral("Settings → System")) && !hint.contains(QStringLiteral("brew")),
             qPrintable(hint));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    const QString chinese = notFoundMessage(*m_settings);
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QVERIFY2(chinese.startsWith(QStringLiteral("找不到 rag。")) && chinese.contains(QStringLiteral("~/.local/bin"))
                 && chinese.contains(QStringLiteral("「設定」→「系統」")) && !chinese.contains(QStringLiteral("brew")),
             qPrintable(chinese));
}

void TestRagResolution::checkoutWithoutPythonFails()
{
    const QString work = path(QStringLiteral("work"));
    makeCheckout(work, false);
    writeFile(QDir::homePath() + QStringLiteral("/.local/bin/rag"), {}, true); // an installed rag does not help
    m_settings->setWorkingDirectory(work + QStringLiteral("/src"));
    QCOMPARE(resolve(*m_settings), std::nullopt);
    QCOMPARE(notFoundMessage(*m_settings), QStringLiteral("Python wasn't found, so the rag in that folder can't run."));
    // Named through ragPath instead of the working directory, the checkout counts too:
    // a file inside it, or the folder itself.
    m_settings->setWorkingDirectory(path(QStringLiteral("empty")));
    m_settings->setRagPath(work + QStringLiteral("/src/ragcli/cli.py"));
    QCOMPARE(resolve(*m_settings), std::nullopt);
    QCOMPARE(notFoundMessage(*m_settings), QStringLiteral("Python wasn't found, so the rag in that folder can't run."));
    QCOMPARE(m_settings->workingDirectory(), path(QStringLiteral("empty")));
    m_settings->setRagPath(work);
    QCOMPARE(resolve(*m_settings), std::nullopt);
    QCOMPARE(m_settings->workingDirectory(), work); // moved to the named project root
}

void TestRagResolution::projectFolderAsProgramMovesWorkingDirectory()
{
    const QString corpus = path(QStringLiteral("corpus"));
    writeFile(corpus + QStringLiteral("/rag.toml"));
    QDir().mkpath(corpus + QStringLiteral("/docs"));
    writeFile(m_settings->systemRoot() + QStringLiteral("/usr/local/bin/rag"), {}, true);
    m_settings->setRagPath(corpus + QStringLiteral("/docs"));
    QSignalSpy moved(m_settings.get(), &RagSettings::workingDirectoryChanged);
    const auto command = resolve(*m_settings);
    QCOMPARE(m_settings->workingDirectory(), corpus);
    QCOMPARE(moved.size(), 1);
    QCOMPARE(command->executable, m_settings->systemRoot() + QStringLiteral("/usr/local/bin/rag"));
    QCOMPARE(m_settings->ragPath(), command->executable);
}

void TestRagResolution::loginShellAnswers_data()
{
    QTest::addColumn<LoginShellOutput>("output");
    QTest::addColumn<bool>("found");
    const QByteArray rag = QFile::encodeName(fakeRagPath());
    QTest::newRow("one line") << shellPrinting(rag + "\n") << true;
    QTest::newRow("padded") << shellPrinting("  \n" + rag + " \n\n") << true;
    QTest::newRow("two lines") << shellPrinting(rag + "\n" + rag + "\n") << false;
    QTest::newRow("not executable") << shellPrinting("@plain\n") << false;
    QTest::newRow("a folder") << shellPrinting("/usr/bin\n") << false;
    QTest::newRow("empty") << shellPrinting(" \n") << false;
    QTest::newRow("invalid utf-8") << shellPrinting(rag + "\xff\n") << false;
    QTest::newRow("non-zero exit") << shellPrinting(rag + "\n", 1) << false;
    QTest::newRow("killed") << LoginShellOutput{true, false, 9, rag + "\n"} << false;
    QTest::newRow("not started") << LoginShellOutput{} << false;
}

void TestRagResolution::loginShellAnswers()
{
    QFETCH(LoginShellOutput, output);
    QFETCH(bool, found);
    const QString plain = path(QStringLiteral("plain"));
    writeFile(plain, "not a program");
    output.standardOutput.replace("@plain", QFile::encodeName(plain));
    m_shell->output = output;
    const auto command = resolve(*m_settings);
    QCOMPARE(command.has_value(), found);
    if (found)
        QCOMPARE(command->executable, fakeRagPath());
    else
        QCOMPARE(m_settings->ragPath(), QString());
}

void TestRagResolution::resolutionWaitsForTheLoginShell()
{
    m_shell->output = shellPrinting(QFile::encodeName(fakeRagPath()));
    bool answered = false;
    QObject context;
    resolveCommand(*m_settings, &context, [&](const std::optional<ResolvedCommand> &) { answered = true; });
    QVERIFY(!answered); // suspended, not blocking
    QTRY_VERIFY(answered);

    // A context that is gone by the time the shell answers hears nothing.
    bool late = false;
    auto shortLived = std::make_unique<QObject>();
    m_settings->setRagPath(QString());
    resolveCommand(*m_settings, shortLived.get(), [&](const std::optional<ResolvedCommand> &) { late = true; });
    shortLived.reset();
    QTest::qWait(50);
    QVERIFY(!late);
}

void TestRagResolution::systemLoginShellRunsTheUsersShell()
{
    QVERIFY(QFileInfo(SystemLoginShell::userShell()).isExecutable());
    SystemLoginShell shell;
    std::optional<LoginShellOutput> printed;
    QObject context;
    shell.run(QStringLiteral("printf '/some/where\\n'; exit 0"), &context, [&](const LoginShellOutput &o) { printed = o; });
    QVERIFY(!printed);
    QTRY_VERIFY_WITH_TIMEOUT(printed.has_value(), 15000);
    QVERIFY(printed->started);
    QCOMPARE(printed->exitCode, 0);
    QVERIFY(printed->standardOutput.endsWith("/some/where\n"));

    std::optional<LoginShellOutput> failed;
    shell.run(QStringLiteral("exit 3"), &context, [&](const LoginShellOutput &o) { failed = o; });
    QTRY_VERIFY_WITH_TIMEOUT(failed.has_value(), 15000);
    QCOMPARE(failed->exitCode, 3);

    // A shell that never ends is given up after the time-out.
    SystemLoginShell impatient(200);
    std::optional<LoginShellOutput> hung;
    // Its process belongs to the application while it runs, so even one still running
    // at exit is stopped and freed; once the stopped shell is reaped it is gone.
    const auto runningShells = [] { return QCoreApplication::instance()->findChildren<QProcess *>().size(); };
    QTRY_COMPARE(runningShells(), 0);
    impatient.run(QStringLiteral("sleep 30"), &context, [&](const LoginShellOutput &o) { hung = o; });
    QCOMPARE(runningShells(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(hung.has_value(), 5000);
    QVERIFY(!hung->started);
    QTRY_COMPARE(runningShells(), 0);
}

void TestRagResolution::statusDisplayTextFollowsTheLanguage()
{
    auto &language = InterfaceLanguage::shared();
    language.setLanguage(AppLanguage::chinese);
    QCOMPARE(statusDisplayText(QStringLiteral("Not checked yet.")), QStringLiteral("尚未檢查。"));
    QCOMPARE(statusDisplayText(QStringLiteral("尚未檢查。")), QStringLiteral("尚未檢查。"));
    language.setLanguage(AppLanguage::english);
    QCOMPARE(statusDisplayText(QStringLiteral("尚未檢查。")), QStringLiteral("Not checked yet."));
    QCOMPARE(statusDisplayText(QString()), QStringLiteral(" "));
    QCOMPARE(statusDisplayText(QStringLiteral("corpus: 3 documents\n")), QStringLiteral("corpus: 3 documents\n"));
}

QTEST_GUILESS_MAIN(TestRagResolution)
#include "test_ragresolution.moc"
