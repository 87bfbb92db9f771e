// The windows around the questions, driven as a user would: comparing two tabs, the
// keyboard (tab switching, find, the shortcuts list), a saved long question, the
// settings window, the compact layout's menu, and the switch to Chinese.
#include "app/userpath.h"

#include "compare/comparecolumn.h"
#include "compare/comparewindow.h"
#include "documents/documentpreview.h"
#include "documents/findbar.h"
#include "help/aboutdialog.h"
#include "help/keyboardshortcutsdialog.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/questionfield.h"
#include "mainwindow/textbox.h"
#include "rag/ragsession.h"
#include "settings/systemsettingspage.h"
#include "tabs/contentmodel.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextLayout>
#include <QToolButton>

using namespace tovik;
using namespace tovik::test;

namespace {

const int ragTimeout = 60000;

// A key press in `window` (brought to the front first) where a user's key goes: its
// focused widget, else the window itself.
void pressIn(QWidget *window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QVERIFY(activate(window));
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window ? focus : window, static_cast<Qt::Key>(key), modifiers);
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    pressIn(frontWindow(), key, modifiers);
}

void clickMenuBarItem(QMenuBar *bar, const QString &title, const QString &item)
{
    QAction *menuAction = nullptr;
    for (QAction *action : bar->actions()) {
        if (QString(action->text()).remove(QLatin1Char('&')) == title)
            menuAction = action;
    }
    QVERIFY(menuAction);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(menuAction).center());
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
    QAction *action = actionWithText(menu, item);
    QVERIFY(action);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
}

// The face that draws `text` in `font` (the first run's).
QString faceDrawing(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

} // namespace

class TestUserPathWindows : public QObject
{
    Q_OBJECT

public:
    explicit TestUserPathWindows(UserPathEnvironment &environment) : m_environment(environment) {}
    static QStringList commandLine(const UserPathEnvironment &) { return {}; }

private Q_SLOTS:
    void initTestCase();
    void compareShowsTwoAnsweredTabsAndEscapeClosesIt();
    void keyboardSwitchesTabsAndReachesFind();
    void helpListsTheKeyboardShortcuts();
    void aboutShowsTheVersionAndTheLibraries();
    void savedLongQuestionIsShownWhole();
    void settingsKeepFocusOffThePathsAndShowFreshStatus();
    void compactMenuOffersCompareAndSettings();
    void switchingToChineseReachesEveryText();

private:
    UserPathEnvironment &m_environment;
    ContentView *m_first = nullptr;
    ContentView *m_second = nullptr;
};

void TestUserPathWindows::initTestCase()
{
    QVERIFY(QTest::qWaitForWindowActive(frontWindow()));
    m_first = currentTab();
    askInCurrentTab(QStringLiteral("What does the report say about revenue?"));
    waitForAnswer(m_first);
    press(Qt::Key_T, Qt::ControlModifier);
    m_second = currentTab();
    QVERIFY(m_second != m_first);
    askInCurrentTab(QStringLiteral("Who leads research and development?"));
    waitForAnswer(m_second);
}

void TestUserPathWindows::compareShowsTwoAnsweredTabsAndEscapeClosesIt()
{
    press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    CompareWindow *compare = nullptr;
    QTRY_VERIFY((compare = CompareWindow::sharedWindow()) && compare->isVisible());
    QStringList questions;
    for (CompareColumn *column : compare->findChildren<CompareColumn *>())
        questions.append(column->questionBox()->text());
    QVERIFY2(questions.contains(m_first->session().question()), qPrintable(questions.join(QLatin1Char('|'))));
    QVERIFY(questions.contains(m_second->session().question()));

    pressIn(compare, Qt::Key_Escape);
    QTRY_VERIFY(!CompareWindow::sharedWindow() || !CompareWindow::sharedWindow()->isVisible());
}

void TestUserPathWindows::keyboardSwitchesTabsAndReachesFind()
{
    MainWindow *window = frontWindow();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(currentTab(), m_second);
    m_second->answerBox()->editor()->setFocus(Qt::MouseFocusReason);
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(currentTab(), m_first); // wraps around
    press(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(currentTab(), m_second);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(currentTab(), m_first);
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(currentTab(), m_second);

    // Ctrl+F from the detail opens the Documents page and focuses its find field, once
    // the cited pages are there; Escape on the empty field goes back.
    QWidget *before = m_second->answerBox()->editor();
    before->setFocus(Qt::MouseFocusReason);
    press(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_second->model().sidebarTab(), SidebarTab::documents);
    QLineEdit *field = m_second->documentsPage()->findBar()->field();
    QTRY_VERIFY_WITH_TIMEOUT(m_second->documentsPage()->findBar()->isVisible(), ragTimeout);
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("Chen"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_second->documentsPage()->find().findMatches().isEmpty(), ragTimeout);
    press(Qt::Key_Escape);
    QCOMPARE(field->text(), QString());
    QVERIFY(field->hasFocus());
    press(Qt::Key_Escape);
    QVERIFY(!field->hasFocus());
    QCOMPARE(QApplication::focusWidget(), before);
}

void TestUserPathWindows::helpListsTheKeyboardShortcuts()
{
    clickMenuBarItem(frontWindow()->menuBar(), QStringLiteral("Help"), QStringLiteral("Keyboard Shortcuts"));
    QWidget *dialog = nullptr;
    QTRY_VERIFY((dialog = shownTopLevel(QStringLiteral("keyboardShortcuts"))));
    QTableWidget *table = dialog->findChild<QTableWidget *>();
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row)
        rows.append(table->item(row, 0)->text() + QStringLiteral(": ") + table->item(row, 1)->text());
    for (const QString &expected : {QStringLiteral("Show Next Tab: Ctrl+Tab, Ctrl+PgDown"),
                                    QStringLiteral("Show Previous Tab: Ctrl+Shift+Tab, Ctrl+PgUp"),
                                    QStringLiteral("Find in the cited pages: Ctrl+F"),
                                    QStringLiteral("Save: Ctrl+S"), QStringLiteral("Compare Tabs: Ctrl+Shift+K")})
        QVERIFY2(rows.contains(expected), qPrintable(rows.join(QLatin1Char('\n'))));
    QPointer<QWidget> shown = dialog;
    pressIn(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!shown || !shown->isVisible());
}

void TestUserPathWindows::aboutShowsTheVersionAndTheLibraries()
{
    clickMenuBarItem(frontWindow()->menuBar(), QStringLiteral("Help"), QStringLiteral("About tovikRAG"));
    AboutDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = qobject_cast<AboutDialog *>(shownTopLevel(QStringLiteral("about")))));
    QCOMPARE(dialog->versionLabel()->text(), QStringLiteral("Version " TOVIK_VERSION));
    QTableWidget *table = dialog->libraries();
    QStringList names;
    static const QRegularExpression version(QStringLiteral("^\\d+\\.\\d+"));
    for (int row = 0; row < table->rowCount(); ++row) {
        names.append(table->item(row, 0)->text());
        QVERIFY2(version.match(table->item(row, 1)->text()).hasMatch(),
                 qPrintable(names.last() + QStringLiteral(": ") + table->item(row, 1)->text()));
    }
    QCOMPARE(names, (QStringList{"Qt", "Poppler", "QPDF", "Tesseract", "Leptonica", "OpenCV", "ICU", "SQLite", "LZ4"}));
    // The Qt that runs, not the one built against.
    QCOMPARE(table->item(0, 1)->text(), QString::fromLatin1(qVersion()));
    QPointer<QWidget> shown = dialog;
    pressIn(dialog, Qt::Key_Escape);
    QTRY_VERIFY(!shown || !shown->isVisible());
}

void TestUserPathWindows::savedLongQuestionIsShownWhole()
{
    MainWindow *window = frontWindow();
    window->activateWindow();
    press(Qt::Key_T, Qt::ControlModifier);
    ContentView *tab = currentTab();
    askInCurrentTab(QStringLiteral("What does the annual report say about revenue, the online sales, the shops in "
                                   "Da'an and Tamsui, and the plans for a fourth shop next year?"));
    waitForAnswer(tab);
    press(Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(tab->readOnlyQuestion()->isVisible());
    TextView *editor = tab->readOnlyQuestion()->editor();
    const int oneLine = editor->fontMetrics().lineSpacing();
    // Wrapped over several lines, all of them shown, nothing to scroll.
    QTRY_VERIFY(editor->verticalScrollBar()->maximum() == 0 && editor->isAtBottom());
    QVERIFY(tab->readOnlyQuestion()->height() > 2 * oneLine);
    QVERIFY(tab->readOnlyQuestion()->height() <= 108);
}

void TestUserPathWindows::settingsKeepFocusOffThePathsAndShowFreshStatus()
{
    press(Qt::Key_Comma, Qt::ControlModifier);
    QWidget *window = nullptr;
    QTRY_VERIFY((window = shownTopLevel(QStringLiteral("settings"))));
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto *page = window->findChild<SystemSettingsPage *>();
    const QString workingDirectory = page->workingDirectoryField()->text();
    // No rag beside this test program: the example is the user's own bin folder.
    QCOMPARE(page->ragPathField()->placeholderText(), QStringLiteral("~/.local/bin/rag"));

    // A folder with rag.toml as the rag path: it becomes the working directory, and the
    // project's own rag (in its .venv) is used.
    QVERIFY(QDir().mkpath(m_environment.project + QStringLiteral("/.venv/bin")));
    QVERIFY(QFile::link(UserPathEnvironment::referenceRag(), m_environment.project + QStringLiteral("/.venv/bin/rag")));
    QLineEdit *ragPath = page->ragPathField();
    ragPath->setFocus(Qt::MouseFocusReason);
    ragPath->selectAll();
    QTest::keyClicks(ragPath, m_environment.project);
    page->usePathButton()->setFocus(Qt::TabFocusReason);
    pressIn(window, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!page->session().isBusy(), ragTimeout);
    QVERIFY(page->messageLabel()->text().startsWith(QStringLiteral("Working directory set to")));
    // Focus stayed off the fields: a stray key changes no saved path.
    QVERIFY(!page->workingDirectoryField()->hasFocus());
    pressIn(window, Qt::Key_X);
    QCOMPARE(page->workingDirectoryField()->text(), workingDirectory);

    // A fresh check says nothing of the earlier notice. Then the real rag again.
    click(page->checkAgainButton());
    QTRY_VERIFY_WITH_TIMEOUT(!page->session().isBusy(), ragTimeout);
    QVERIFY2(!page->messageLabel()->text().contains(QStringLiteral("Working directory set to")),
             qPrintable(page->messageLabel()->text()));
    ragPath->setFocus(Qt::MouseFocusReason);
    ragPath->selectAll();
    QTest::keyClicks(ragPath, UserPathEnvironment::referenceRag());
    click(page->usePathButton());
    QTRY_VERIFY_WITH_TIMEOUT(!page->session().isBusy(), ragTimeout);
    QVERIFY2(!page->session().hasErrorMessage(), qPrintable(page->session().errorMessageText()));
    pressIn(window, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!window->isVisible());
}

void TestUserPathWindows::compactMenuOffersCompareAndSettings()
{
    MainWindow *window = frontWindow();
    const QSize size = window->size();
    window->resize(400, 720);
    QTRY_VERIFY(window->overflowButton()->isVisible());
    QStringList items;
    onNextPopup([&items](QMenu *menu) {
        for (QAction *action : menu->actions()) {
            if (action->isVisible() && action->isEnabled())
                items.append(action->text());
        }
        chooseMenuItem(menu, QStringLiteral("Settings"));
    });
    click(window->overflowButton());
    QCOMPARE(items, (QStringList{QStringLiteral("Compare"), QStringLiteral("Settings")}));
    QWidget *settings = nullptr;
    QTRY_VERIFY((settings = shownTopLevel(QStringLiteral("settings"))));
    settings->close();
    window->resize(size);
}

void TestUserPathWindows::switchingToChineseReachesEveryText()
{
    press(Qt::Key_T, Qt::ControlModifier);
    ContentView *empty = currentTab();
    press(Qt::Key_Comma, Qt::ControlModifier);
    QWidget *settings = nullptr;
    QTRY_VERIFY((settings = shownTopLevel(QStringLiteral("settings"))));
    auto *pages = settings->findChild<QTabWidget *>();
    pages->setCurrentIndex(1); // Display
    auto *picker = pages->currentWidget()->findChild<QComboBox *>();
    picker->setFocus(Qt::MouseFocusReason);
    pressIn(settings, Qt::Key_Down);
    QCOMPARE(picker->currentText(), QStringLiteral("中文"));

    QCOMPARE(frontWindow()->menuBar()->actions().first()->text(), QStringLiteral("檔案(&F)"));
    QMenu *help = frontWindow()->menuBar()->actions().last()->menu();
    QCOMPARE(help->actions().last()->text(), QStringLiteral("關於 tovikRAG"));
    QCOMPARE(empty->questionField()->placeholderText(), QStringLiteral("向語料庫提問"));
    pages->setCurrentIndex(3); // Privacy Policy
    QStringList privacy;
    for (QLabel *label : pages->currentWidget()->findChildren<QLabel *>())
        privacy.append(label->text());
    QVERIFY2(!privacy.join(QString()).contains(QStringLiteral("Mac")), qPrintable(privacy.join(QLatin1Char('|'))));
    QVERIFY(privacy.join(QString()).contains(QStringLiteral("電腦")));
    // Chinese is drawn in the Traditional Chinese sans face, in the answer and the log too.
    QCOMPARE(faceDrawing(QStringLiteral("來源"), empty->questionField()->font()), QStringLiteral("Noto Sans CJK TC"));
    QCOMPARE(faceDrawing(QStringLiteral("來源"), m_first->answerBox()->editor()->font()),
             QStringLiteral("Noto Sans CJK TC"));
    QVERIFY(faceDrawing(QStringLiteral("來源"), m_first->logBox()->editor()->font()).startsWith(QStringLiteral("Noto Sans")));
    settings->close();
}

TOVIK_USER_PATH_MAIN(TestUserPathWindows)
#include "test_userpath_windows.moc"
