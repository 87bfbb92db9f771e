// A user's session with questions, driven through the real window: files handed over on
// the command line and through Choose Files, questions asked, streamed and cancelled,
// saved, loaded over an unsaved question, opened in a new tab and deleted.
#include "app/userpath.h"

#include "history/historysearchbox.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/statusstrip.h"
#include "mainwindow/textbox.h"
#include "rag/ragsession.h"
#include "settings/systemsettingspage.h"
#include "support/isolatedhome.h"
#include "tabs/contentmodel.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>

using namespace tovik;
using namespace tovik::test;

namespace {

const int ragTimeout = 60000;

void waitUntilIdle(RagSession &session)
{
    QTRY_VERIFY_WITH_TIMEOUT(!session.isBusy() && session.queuedCount() == 0, ragTimeout);
    QVERIFY2(!session.hasErrorMessage(), qPrintable(session.errorMessageText()));
}

// A new tab, the question asked in it as a user types it, and its answer read to the end.
ContentView *askInNewTab(const QString &question)
{
    pressInFrontWindow(Qt::Key_T, Qt::ControlModifier);
    ContentView *tab = currentTab();
    askInCurrentTab(question);
    waitUntilIdle(tab->session());
    return tab;
}

QListView *historyView(ContentView *tab)
{
    return tab->historyList()->findChild<QListView *>();
}

void clickHistoryRow(ContentView *tab, int row, Qt::MouseButton button = Qt::LeftButton)
{
    QListView *list = historyView(tab);
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QVERIFY(rect.isValid());
    // Well inside the row, right of the check box.
    const QPoint point(rect.left() + rect.width() * 2 / 3, rect.top() + rect.height() / 3);
    if (button == Qt::RightButton) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, list->viewport()->mapToGlobal(point));
        QApplication::sendEvent(list->viewport(), &event);
    } else {
        QTest::mouseClick(list->viewport(), button, Qt::NoModifier, point);
    }
}

SystemSettingsPage *openSystemSettings()
{
    pressInFrontWindow(Qt::Key_Comma, Qt::ControlModifier);
    SystemSettingsPage *page = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == QStringLiteral("settings"))
            page = window->findChild<SystemSettingsPage *>();
    }
    return page;
}

void useRagPath(SystemSettingsPage *page, const QString &path)
{
    QLineEdit *field = page->ragPathField();
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    QTest::keyClicks(field, path);
    click(page->usePathButton());
    QTRY_VERIFY_WITH_TIMEOUT(!page->session().isBusy(), ragTimeout);
    QVERIFY2(!page->session().hasErrorMessage(), qPrintable(page->session().errorMessageText()));
}

// Settings opened from the menu, rag's path typed and used, and the window closed with
// Escape.
void switchRagInSettings(const QString &path)
{
    SystemSettingsPage *settings = openSystemSettings();
    QVERIFY(settings);
    useRagPath(settings, path);
    QPointer<QWidget> window = settings->window();
    activate(window);
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!window);
}

} // namespace

class TestUserPathQuestions : public QObject
{
    Q_OBJECT

public:
    explicit TestUserPathQuestions(UserPathEnvironment &environment) : m_environment(environment) {}

    static QStringList commandLine(const UserPathEnvironment &environment)
    {
        return {environment.writeDocument(
            QStringLiteral("heron-notes.md"),
            QStringLiteral("# Field notes\n\nThe heron colony at Lake Orrin nests on the east shore every March.\n"))};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(QTest::qWaitForWindowActive(frontWindow())); }
    void filesOnTheCommandLineAreIngested();
    void chooseFilesIngestsTheChosenFile();
    void askStreamsAnAnswerAndCancelStopsIt();
    void aFloodOfLinesArrivesWhole();
    void saveThenLoadOverAnUnsavedQuestionKeepsBoth();
    void openInNewTabThenDeleteWithConfirmation();
    void aLongAnswerIsSavedFoundAndLoadedWhole();
    void browseChoosesTheWorkingDirectory();

private:
    // Switches, in Settings, to a rag that prints `output` as it stands (kept in the
    // scratch folder as `fileName`).
    bool useRagPrinting(const QString &fileName, const QByteArray &output);

    UserPathEnvironment &m_environment;
    QString m_tidalQuestion = QStringLiteral("Who calibrated the tidal gauge at Port Kessel?");
};

void TestUserPathQuestions::filesOnTheCommandLineAreIngested()
{
    ContentView *tab = currentTab();
    QVERIFY(tab);
    QTRY_VERIFY_WITH_TIMEOUT(tab->session().logText().contains(QStringLiteral("heron-notes.md")), ragTimeout);
    waitUntilIdle(tab->session());

    // The corpus knows the file: asking about it cites it.
    askInCurrentTab(QStringLiteral("Where does the heron colony nest?"));
    QVERIFY(tab->session().isAsking());
    waitUntilIdle(tab->session());
    QVERIFY2(tab->answerBox()->text().contains(QStringLiteral("east shore")), qPrintable(tab->answerBox()->text()));
    QVERIFY(tab->answerBox()->text().contains(QStringLiteral("heron-notes.md")));
}

void TestUserPathQuestions::chooseFilesIngestsTheChosenFile()
{
    pressInFrontWindow(Qt::Key_T, Qt::ControlModifier);
    ContentView *tab = currentTab();
    QCOMPARE(frontWindow()->tabs().size(), 2);
    // The user keeps the document beside the project and picks it by name.
    const QString document = m_environment.writeDocument(
        QStringLiteral("demo project/tide-log.txt"),
        QStringLiteral("The tidal gauge at Port Kessel was calibrated by Ines Marlow in 2019.\n"));

    click(buttonWithText(tab, QStringLiteral("Ingest")));
    click(buttonWithText(tab, QStringLiteral("Choose Files…")));
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())));
    // It opens where rag works.
    QCOMPARE(QFileInfo(dialog->directory().absolutePath()).canonicalFilePath(),
             QFileInfo(m_environment.project).canonicalFilePath());
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    QTest::keyClicks(name, QFileInfo(document).fileName());
    QAbstractButton *open = buttonWithText(dialog, QStringLiteral("Open"));
    QVERIFY(open && open->isEnabled());
    click(open);
    QTRY_VERIFY(!dialog->isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(tab->session().logText().contains(QStringLiteral("tide-log.txt")), ragTimeout);
    waitUntilIdle(tab->session());
    askInCurrentTab(m_tidalQuestion);
    waitUntilIdle(tab->session());
    QVERIFY2(tab->answerBox()->text().contains(QStringLiteral("Ines Marlow")), qPrintable(tab->answerBox()->text()));
}

void TestUserPathQuestions::askStreamsAnAnswerAndCancelStopsIt()
{
    // A rag that answers one line, then takes its time.
    qputenv("FAKE_RAG_MODE", "slow");
    qputenv("FAKE_RAG_DELAY", "60");
    switchRagInSettings(UserPathEnvironment::fakeRag());

    pressInFrontWindow(Qt::Key_T, Qt::ControlModifier);
    ContentView *tab = currentTab();
    askInCurrentTab(QStringLiteral("When are taxes due?"));
    QTRY_VERIFY_WITH_TIMEOUT(tab->answerBox()->text().contains(QStringLiteral("Taxes are due in April.")), ragTimeout);
    QVERIFY(tab->session().isAsking());
    QVERIFY(!tab->saveButton()->isEnabled());
    click(buttonWithText(tab->statusStrip(), QStringLiteral("Cancel")));
    QTRY_VERIFY(!tab->session().isBusy());
    QCOMPARE(tab->session().noticeText(), QStringLiteral("Cancelled."));
    QVERIFY(!tab->answerBox()->text().contains(QStringLiteral("Smith")));

    // Back to the real rag, through the same page; Ctrl+W closes it this time.
    SystemSettingsPage *settings = openSystemSettings();
    useRagPath(settings, UserPathEnvironment::referenceRag());
    QPointer<QWidget> window = settings->window();
    activate(window);
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!window);

    // The cancelled answer is unsaved work: closing the tab asks first.
    QString asked;
    onNextModal([&asked](QWidget *modal) {
        asked = qobject_cast<QMessageBox *>(modal)->informativeText();
        click(buttonWithText(modal, QStringLiteral("Don't Save")));
    });
    pressInFrontWindow(Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(asked, QStringLiteral("Leave without saving this question?"));
    QVERIFY(!frontWindow()->tabs().contains(tab));
}

bool TestUserPathQuestions::useRagPrinting(const QString &fileName, const QByteArray &output)
{
    const QString file = m_environment.scratch.filePath(fileName);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(output) != output.size())
        return false;
    out.close();
    qputenv("FAKE_RAG_MODE", "file");
    qputenv("FAKE_RAG_OUTPUT", QFile::encodeName(file));
    switchRagInSettings(UserPathEnvironment::fakeRag());
    return true;
}

void TestUserPathQuestions::aFloodOfLinesArrivesWhole()
{
    // Tens of thousands of lines at once, answer and log lines mixed with the line ends
    // a tool may write: the answer box and the log show every line in order, and only
    // those, each on a line of its own.
    QByteArray output;
    QString answer;
    QString log = QStringLiteral("INFO retrieving for: How much rain fell?\n");
    for (int i = 0; i < 40000; ++i) {
        const QByteArray number = QByteArray::number(i);
        if (i % 97 == 0) {
            output += "INFO step " + number + "\n";
            log += QStringLiteral("INFO step %1\n").arg(i);
        } else if (i % 89 == 0) {
            output += "It rained " + number + " mm\r\n\n"; // a capital that starts no log line
            answer += QStringLiteral("It rained %1 mm\n").arg(i);
        } else if (i % 83 == 0) {
            output += "雨 " + QString::number(i).toUtf8() + "\xe2\x80\xa8";
            answer += QStringLiteral("雨 %1\n").arg(i);
        } else {
            output += "rain " + number + "\n";
            answer += QStringLiteral("rain %1\n").arg(i);
        }
    }
    output += "last words";
    answer += QStringLiteral("last words\n");
    QVERIFY(useRagPrinting(QStringLiteral("flood.txt"), output));

    ContentView *tab = askInNewTab(QStringLiteral("How much rain fell?"));
    QVERIFY(!tab->session().hasErrorMessage());
    // What the boxes show has no line end after the last line.
    QCOMPARE(tab->answerBox()->text(), answer.chopped(1));
    QCOMPARE(tab->logBox()->text(), log.chopped(1));

    switchRagInSettings(UserPathEnvironment::referenceRag());
    onNextModal([](QWidget *modal) { click(buttonWithText(modal, QStringLiteral("Don't Save"))); });
    pressInFrontWindow(Qt::Key_W, Qt::ControlModifier);
    QVERIFY(!frontWindow()->tabs().contains(tab));
}

void TestUserPathQuestions::saveThenLoadOverAnUnsavedQuestionKeepsBoth()
{
    MainWindow *window = frontWindow();
    ContentView *tidal = window->tabs().at(1);
    window->setCurrentTab(tidal);
    click(tidal->saveButton());
    QTRY_COMPARE(tidal->saveButton()->text(), QStringLiteral("Saved"));
    QuestionHistoryStore &history = tidal->model().history();
    QCOMPARE(history.records().size(), 1);

    // A new, unsaved answer; then the saved record is picked from History and the prompt
    // is answered with Save: the new answer is saved first, then the record loads.
    ContentView *tab = askInNewTab(QStringLiteral("Where does the heron colony nest?"));
    QVERIFY(tab->model().isDirty());
    click(buttonWithText(tab, QStringLiteral("History")));
    QString prompt;
    onNextModal([&prompt](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        prompt = box ? box->informativeText() : QString();
        click(buttonWithText(modal, QStringLiteral("Save")));
    });
    clickHistoryRow(tab, 0);
    QCOMPARE(prompt, QStringLiteral("Load another question without saving this one?"));
    QCOMPARE(history.records().size(), 2);
    QCOMPARE(history.records().first().question, QStringLiteral("Where does the heron colony nest?"));
    QCOMPARE(tab->session().question(), m_tidalQuestion);
    QVERIFY(tab->readOnlyQuestion()->isVisible());
    QVERIFY(tab->answerBox()->text().contains(QStringLiteral("Ines Marlow")));
    QCOMPARE(tab->model().linkedRecordID(), history.records().at(1).id);
}

void TestUserPathQuestions::openInNewTabThenDeleteWithConfirmation()
{
    MainWindow *window = frontWindow();
    ContentView *origin = currentTab();
    const int originIndex = static_cast<int>(window->tabs().indexOf(origin));
    QuestionHistoryStore &history = origin->model().history();
    QCOMPARE(history.records().size(), 2);
    const QuestionRecord heron = history.records().first();

    onNextPopup([](QMenu *menu) { chooseMenuItem(menu, QStringLiteral("Open in New Tab")); });
    clickHistoryRow(origin, 0, Qt::RightButton);
    ContentView *opened = currentTab();
    QVERIFY(opened != origin);
    QCOMPARE(window->tabs().indexOf(opened), originIndex + 1);
    QCOMPARE(opened->session().question(), heron.question);
    QCOMPARE(opened->model().linkedRecordID(), heron.id);

    // Select all, delete, confirm: every saved question goes, and the tabs that showed
    // them unlink.
    click(buttonWithText(opened, QStringLiteral("History")));
    click(buttonWithText(opened->historyList(), QStringLiteral("Select All")));
    QString question;
    onNextModal([&question](QWidget *modal) {
        question = qobject_cast<QMessageBox *>(modal)->informativeText();
        click(buttonWithText(modal, QStringLiteral("Delete")));
    });
    click(buttonWithText(opened->historyList(), QStringLiteral("Delete")));
    QCOMPARE(question, QStringLiteral("Delete 2 questions? This can't be undone."));
    QVERIFY(history.records().isEmpty());
    QVERIFY(!opened->model().linkedRecordID());
    QCOMPARE(opened->session().question(), QString());
    QCOMPARE(opened->title(), QStringLiteral("tovikRAG"));
}

void TestUserPathQuestions::aLongAnswerIsSavedFoundAndLoadedWhole()
{
    // A long answer, English and Chinese, saved; then found in History by words from its
    // last line and loaded into another tab, where it reads exactly as it arrived.
    QByteArray output;
    QString answer;
    for (int i = 0; i < 3000; ++i) {
        const QString line = QStringLiteral("Reading %1 at the pier: 潮汐 2.%2 m").arg(i).arg(i % 10);
        output += line.toUtf8() + "\n";
        answer += line + QLatin1Char('\n');
    }
    output += "Ines Marlow signed the log.\n";
    answer += QStringLiteral("Ines Marlow signed the log.");
    QVERIFY(useRagPrinting(QStringLiteral("long-answer.txt"), output));

    ContentView *asked = askInNewTab(QStringLiteral("Who signed the tide log?"));
    QCOMPARE(asked->answerBox()->text(), answer);
    click(asked->saveButton());
    QTRY_COMPARE(asked->saveButton()->text(), QStringLiteral("Saved"));
    QuestionHistoryStore &history = asked->model().history();
    QCOMPARE(history.records().size(), 1);
    QVERIFY(history.records().first().answer.isCompressed());

    pressInFrontWindow(Qt::Key_T, Qt::ControlModifier);
    ContentView *tab = currentTab();
    click(buttonWithText(tab, QStringLiteral("History")));
    QLineEdit *search = tab->historyList()->findChild<HistorySearchBox *>()->field();
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("MARLOW SIGNED"));
    QTRY_COMPARE(historyView(tab)->model()->rowCount(), 1);
    QTest::keyClicks(search, QStringLiteral(" the map"));
    QTRY_COMPARE(historyView(tab)->model()->rowCount(), 0);
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(search, Qt::Key_Backspace);
    QTRY_COMPARE(historyView(tab)->model()->rowCount(), 1);
    clickHistoryRow(tab, 0);
    QCOMPARE(tab->session().question(), QStringLiteral("Who signed the tide log?"));
    QCOMPARE(tab->answerBox()->text(), answer);

    switchRagInSettings(UserPathEnvironment::referenceRag());
    pressInFrontWindow(Qt::Key_W, Qt::ControlModifier);
    frontWindow()->setCurrentTab(asked);
    pressInFrontWindow(Qt::Key_W, Qt::ControlModifier);
    QVERIFY(!frontWindow()->tabs().contains(tab));
    QVERIFY(!frontWindow()->tabs().contains(asked));
    QVERIFY(history.deleteRecords({history.records().first().id}));
}

void TestUserPathQuestions::browseChoosesTheWorkingDirectory()
{
    SystemSettingsPage *page = openSystemSettings();
    QVERIFY(page);
    // The working directory typed first is one no chooser has visited, nor the process.
    const QString archive = m_environment.project + QStringLiteral("/archive");
    const QString year = archive + QStringLiteral("/2024");
    QVERIFY(QDir().mkpath(year));
    QLineEdit *field = page->workingDirectoryField();
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, archive);
    QTest::keyClick(field, Qt::Key_Return);

    click(page->browseWorkingDirectoryButton());
    QPointer<QFileDialog> dialog;
    QTRY_VERIFY((dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())));
    // It opens in the current working directory, and offers folders only.
    QCOMPARE(QFileInfo(dialog->directory().absolutePath()).canonicalFilePath(), QFileInfo(archive).canonicalFilePath());
    QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    QTest::keyClicks(name, QStringLiteral("2024"));
    QAbstractButton *choose = buttonWithText(dialog, QStringLiteral("Choose"));
    QVERIFY(choose && choose->isEnabled());
    click(choose);
    QTRY_VERIFY(!dialog || !dialog->isVisible());

    // Chosen is stored, as typed would be.
    QCOMPARE(QFileInfo(page->workingDirectoryField()->text()).canonicalFilePath(), QFileInfo(year).canonicalFilePath());
    const QSettings stored(isolatedHomePath() + QStringLiteral("/.config/tovikRAGUI/tovikRAGUI.conf"),
                           QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("ragWorkingDirectory")).toString(), page->workingDirectoryField()->text());
}

TOVIK_USER_PATH_MAIN(TestUserPathQuestions)
#include "test_userpath_questions.moc"
