// The application among other instances: a later launch hands its file over to this
// one, and a question another instance saves shows up in this one's history.
#include "app/userpath.h"

#include "appservices.h"
#include "history/historylistmodel.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "rag/ragsession.h"
#include "tovikapplication.h"

#include <QApplication>
#include <QProcess>

using namespace tovik;
using namespace tovik::test;

namespace {

const int ragTimeout = 60000;

QuestionHistoryStore &history()
{
    return static_cast<TovikApplication *>(qApp)->services().history();
}

QWidget *shownSettingsWindow()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == QStringLiteral("settings"))
            return window;
    }
    return nullptr;
}

} // namespace

class TestUserPathInstance : public QObject
{
    Q_OBJECT

public:
    explicit TestUserPathInstance(UserPathEnvironment &environment)
        : m_environment(environment)
    {
    }
    static QStringList commandLine(const UserPathEnvironment &) { return {}; }

private Q_SLOTS:
    void initTestCase() { QVERIFY(QTest::qWaitForWindowActive(frontWindow())); }
    void laterLaunchOpensItsFileInANewTab();
    void questionSavedByAnotherInstanceAppearsInHistory();

private:
    UserPathEnvironment &m_environment;
};

void TestUserPathInstance::laterLaunchOpensItsFileInANewTab()
{
    MainWindow *window = frontWindow();
    QCOMPARE(window->tabs().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!currentTab()->session().isBusy(), ragTimeout);
    // The user is in another window of the application when a file manager opens a file.
    pressInFrontWindow(Qt::Key_Comma, Qt::ControlModifier);
    QTRY_VERIFY(shownSettingsWindow() && QApplication::activeWindow() == shownSettingsWindow());
    m_environment.writeDocument(QStringLiteral("kelp survey 海藻.md"),
                                QStringLiteral("The kelp survey of Gull Bay counted 41 urchins per square metre.\n"));

    QProcess later;
    later.setWorkingDirectory(m_environment.scratch.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    later.setProcessEnvironment(environment);
    later.start(QStringLiteral(TOVIK_APP_PATH), {QStringLiteral("kelp survey 海藻.md")});
    // Not waitForFinished: this instance's event loop has to run to answer it.
    QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 30000);
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), 0);

    QCOMPARE(MainWindow::frontToBack().size(), 1);
    QCOMPARE(window->tabs().size(), 2);
    ContentView *opened = window->tabs().last();
    QCOMPARE(window->currentTab(), opened);
    QTRY_COMPARE(QApplication::activeWindow(), window);
    QTRY_VERIFY_WITH_TIMEOUT(opened->session().logText().contains(QStringLiteral("kelp survey 海藻.md")), ragTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!opened->session().isBusy() && opened->session().queuedCount() == 0, ragTimeout);
    QVERIFY2(!opened->session().hasErrorMessage(), qPrintable(opened->session().errorMessageText()));
    // The first tab was left alone.
    QVERIFY(!window->tabs().first()->session().logText().contains(QStringLiteral("kelp")));
}

void TestUserPathInstance::questionSavedByAnotherInstanceAppearsInHistory()
{
    const auto earlier = history().save(QStringLiteral("Who counted the urchins?"), QStringLiteral("The survey."),
                                        m_environment.project);
    QVERIFY(earlier);
    ContentView *tab = currentTab();
    click(buttonWithText(tab, QStringLiteral("History")));
    HistoryListModel *rows = tab->historyList()->model();
    QTRY_COMPARE(rows->rowCount(), 1);
    click(buttonWithText(tab->historyList(), QStringLiteral("Select All")));
    QCOMPARE(rows->selectedIDs(), QSet<qint64>{earlier->id});

    // Another instance, with its own connection to the same file.
    QuestionHistoryStore elsewhere(QuestionHistoryStore::defaultDatabasePath(), {});
    const auto saved = elsewhere.save(QStringLiteral("Where is Gull Bay?"), QStringLiteral("North."), m_environment.project);
    QVERIFY(saved);
    QTRY_COMPARE(rows->rowCount(), 2);
    QCOMPARE(rows->data(rows->index(0), HistoryListModel::QuestionRole).toString(), QStringLiteral("Where is Gull Bay?"));
    // The tick stays on its record, which moved down a row.
    QCOMPARE(rows->selectedIDs(), QSet<qint64>{earlier->id});
    QVERIFY(rows->data(rows->index(1), HistoryListModel::SelectedRole).toBool());

    QVERIFY(elsewhere.deleteRecords({earlier->id}));
    QTRY_COMPARE(rows->rowCount(), 1);
    QCOMPARE(rows->selectedIDs(), QSet<qint64>());
    QCOMPARE(history().records().size(), 1);
}

TOVIK_USER_PATH_MAIN(TestUserPathInstance)
#include "test_userpath_instance.moc"
