// The application as keyboard and screen-reader users meet it: every control of every
// window has a name a screen reader can speak, in both languages; the shortcuts and
// the Tab key reach the history search, the tab strip and the page text.
#include "app/accessiblewalk.h"
#include "app/userpath.h"

#include "compare/comparewindow.h"
#include "documents/documentpreview.h"
#include "documents/findbar.h"
#include "documents/previewpagelist.h"
#include "documents/selectablepdfpageview.h"
#include "history/historysearchbox.h"
#include "history/questionhistorylist.h"
#include "i18n/interfacelanguage.h"
#include "language/uitexts.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/questionfield.h"
#include "mainwindow/tabstrip.h"
#include "mainwindow/textbox.h"
#include "pictures/pagepicturewindow.h"
#include "rag/ragsession.h"
#include "tabs/contentmodel.h"

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

using namespace tovik;
using namespace tovik::test;

namespace {

const int ragTimeout = 60000;

QString pageIdentity(const QString &filename, qint64 page)
{
    return QStringLiteral("preview-page:") + filename + QChar(0x1E) + QString::number(page);
}

PagePictureWindow *shownPictureWindow()
{
    for (QWidget *each : QApplication::topLevelWidgets()) {
        if (auto *picture = qobject_cast<PagePictureWindow *>(each); picture && picture->isVisible())
            return picture;
    }
    return nullptr;
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    pressInFrontWindow(static_cast<Qt::Key>(key), modifiers);
}

void showSidebarPage(ContentView *tab, int segment)
{
    QAbstractButton *button = tab->sidebarPicker()->button(segment);
    QVERIFY(button->isVisible());
    click(button);
}

QStringList prefixed(const QString &where, const QStringList &found)
{
    QStringList out;
    for (const QString &each : found)
        out.append(where + QStringLiteral(": ") + each);
    return out;
}

} // namespace

class TestUserPathAccess : public QObject
{
    Q_OBJECT

public:
    explicit TestUserPathAccess(UserPathEnvironment &) {}
    static QStringList commandLine(const UserPathEnvironment &) { return {}; }

private Q_SLOTS:
    void initTestCase();
    void everyControlHasAName_data();
    void everyControlHasAName();
    void ctrlFSearchesTheShownSidebarPage();
    void tabKeyReachesTheTabStrip();
    void pageTextIsSelectedWithTheKeyboard();
    void cleanupTestCase();

private:
    ContentView *m_chartTab = nullptr;
    SelectablePDFPageView *m_chart = nullptr;
    QPointer<PagePictureWindow> m_picture;
};

void TestUserPathAccess::initTestCase()
{
    QVERIFY(QTest::qWaitForWindowActive(frontWindow()));
    frontWindow()->resize(1280, 900);
    ContentView *first = currentTab();
    askInCurrentTab(QStringLiteral("What does the report say about revenue?"));
    waitForAnswer(first);
    press(Qt::Key_S, Qt::ControlModifier); // a saved question gives the History page a row
    QTRY_VERIFY(!first->historyList()->records().isEmpty());

    press(Qt::Key_T, Qt::ControlModifier);
    m_chartTab = currentTab();
    QVERIFY(m_chartTab != first);
    askInCurrentTab(QStringLiteral("What does the chart show about quarterly revenue?"));
    waitForAnswer(m_chartTab);
    showSidebarPage(m_chartTab, 1);
    QTRY_VERIFY_WITH_TIMEOUT((m_chart = m_chartTab->documentsPage()->list()->pageView(
                                  pageIdentity(QStringLiteral("sales-chart.pdf"), 1))) != nullptr,
                             ragTimeout);
    QTRY_VERIFY(m_chart->isVisible() && !m_chart->pageImage().isNull());

    bool opened = false;
    onNextPopup([&opened](QMenu *menu) { opened = chooseMenuItem(menu, QStringLiteral("Open Image")); });
    const QPoint point = m_chart->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, m_chart->mapToGlobal(point));
    QApplication::sendEvent(m_chart, &event);
    QTRY_VERIFY(opened);
    QTRY_VERIFY((m_picture = shownPictureWindow()));
}

void TestUserPathAccess::cleanupTestCase()
{
    if (m_picture)
        m_picture->close();
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestUserPathAccess::everyControlHasAName_data()
{
    QTest::addColumn<AppLanguage>("language");
    QTest::newRow("English") << AppLanguage::english;
    QTest::newRow("Traditional Chinese") << AppLanguage::chinese;
}

void TestUserPathAccess::everyControlHasAName()
{
    QFETCH(AppLanguage, language);
    InterfaceLanguage::shared().setLanguage(language);
    QStringList missing;

    // The main window, its answer beside each page of the sidebar.
    MainWindow *window = frontWindow();
    QVERIFY(activate(window));
    QCOMPARE(currentTab(), m_chartTab);
    const char *pages[] = {"Ingest", "Documents", "History"};
    for (int segment = 0; segment < 3; ++segment) {
        showSidebarPage(m_chartTab, segment);
        QCOMPARE(static_cast<int>(m_chartTab->model().sidebarTab()), segment);
        missing += prefixed(QStringLiteral("main window, ") + QLatin1String(pages[segment]), unnamedControls(window));
    }
    // The tab bar lists its tabs to a screen reader, not their close buttons: asked
    // directly, each says what it does in the interface language and which tab it closes.
    QTabBar *bar = window->findChild<TabStrip *>()->bar();
    for (int index = 0; index < bar->count(); ++index) {
        QWidget *close = bar->tabButton(index, QTabBar::RightSide);
        QVERIFY(close);
        QAccessibleInterface *node = QAccessible::queryAccessibleInterface(close);
        QCOMPARE(node->text(QAccessible::Name), uiText(UiText::CloseTab));
        QCOMPARE(node->text(QAccessible::Description), window->tabs().at(index)->title());
    }

    // Settings, page by page.
    press(Qt::Key_Comma, Qt::ControlModifier);
    QWidget *settings = nullptr;
    QTRY_VERIFY((settings = shownTopLevel(QStringLiteral("settings"))));
    auto *settingsPages = settings->findChild<QTabWidget *>();
    for (int index = 0; index < settingsPages->count(); ++index) {
        settingsPages->setCurrentIndex(index);
        missing += prefixed(QStringLiteral("settings page ") + QString::number(index), unnamedControls(settings));
    }
    settings->close();

    // Compare, with the two answered tabs in its columns.
    QVERIFY(activate(window));
    press(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    CompareWindow *compare = nullptr;
    QTRY_VERIFY((compare = CompareWindow::sharedWindow()) && compare->isVisible());
    missing += prefixed(QStringLiteral("compare"), unnamedControls(compare));
    compare->close();

    // The picture window opened from the chart's page.
    QVERIFY(m_picture);
    missing += prefixed(QStringLiteral("picture window"), unnamedControls(m_picture));

    QVERIFY2(missing.isEmpty(), qPrintable(QLatin1Char('\n') + missing.join(QLatin1Char('\n'))));
}

void TestUserPathAccess::ctrlFSearchesTheShownSidebarPage()
{
    ContentView *tab = currentTab();
    QLineEdit *historySearch = tab->historyList()->findChild<HistorySearchBox *>()->field();
    QLineEdit *find = tab->documentsPage()->findBar()->field();

    showSidebarPage(tab, 2);
    tab->answerBox()->editor()->setFocus(Qt::MouseFocusReason);
    press(Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(historySearch->hasFocus());
    QCOMPARE(tab->model().sidebarTab(), SidebarTab::history);
    QTest::keyClicks(historySearch, QStringLiteral("revenue"));
    QCOMPARE(historySearch->text(), QStringLiteral("revenue"));
    historySearch->clear();

    // With the Documents page shown it is still find in the cited pages.
    showSidebarPage(tab, 1);
    tab->answerBox()->editor()->setFocus(Qt::MouseFocusReason);
    press(Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(find->hasFocus());
    QCOMPARE(tab->model().sidebarTab(), SidebarTab::documents);
    press(Qt::Key_Escape);
}

void TestUserPathAccess::tabKeyReachesTheTabStrip()
{
    MainWindow *window = frontWindow();
    auto *strip = window->findChild<TabStrip *>();
    ContentView *start = currentTab();
    const qsizetype tabCount = window->tabs().size();
    QVERIFY(tabCount >= 2);
    start->questionField()->setFocus(Qt::MouseFocusReason);

    // Tab goes round the whole window, through the tab bar and the new-tab button.
    bool reachedBar = false;
    for (int presses = 0; presses < 80 && !reachedBar; ++presses) {
        press(Qt::Key_Tab);
        reachedBar = strip->bar()->hasFocus();
    }
    QVERIFY(reachedBar);
    press(Qt::Key_Left); // the tab bar's own arrow keys pick a tab
    QVERIFY(currentTab() != start);
    press(Qt::Key_Right);
    QCOMPARE(currentTab(), start);
    press(Qt::Key_Tab);
    QVERIFY2(strip->newTabButton()->hasFocus(), QApplication::focusWidget()->metaObject()->className());
    press(Qt::Key_Space);
    QTRY_COMPARE(window->tabs().size(), tabCount + 1);
    press(Qt::Key_W, Qt::ControlModifier);
    QTRY_COMPARE(window->tabs().size(), tabCount);
    window->setCurrentTab(m_chartTab);
}

void TestUserPathAccess::pageTextIsSelectedWithTheKeyboard()
{
    QCOMPARE(currentTab(), m_chartTab);
    showSidebarPage(m_chartTab, 1);
    QLineEdit *find = m_chartTab->documentsPage()->findBar()->field();
    find->setFocus(Qt::MouseFocusReason);
    SelectablePDFPageView *page = nullptr;
    for (int presses = 0; presses < 20 && !page; ++presses) {
        press(Qt::Key_Tab);
        page = qobject_cast<SelectablePDFPageView *>(QApplication::focusWidget());
    }
    QVERIFY2(page, "Tab never reached a cited page");
    QTRY_VERIFY_WITH_TIMEOUT(!page->isRecognizing(), 120000);

    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    for (int step = 0; step < 5; ++step)
        press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_C, Qt::ControlModifier);
    const QString five = clipboard->text();
    QCOMPARE(five.size(), 5);
    press(Qt::Key_Left, Qt::ShiftModifier);
    press(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), five.left(4));
    press(Qt::Key_Down, Qt::ShiftModifier); // to the end of the first line
    const QString line = page->selectedText().value_or(QString());
    QVERIFY2(line.startsWith(five.left(4)) && line.size() > 4, qPrintable(line));
    QVERIFY2(!line.trimmed().contains(QLatin1Char('\n')), qPrintable(line));

    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_C, Qt::ControlModifier);
    const QString all = clipboard->text();
    QVERIFY2(all.startsWith(five) && all.size() > line.size(), qPrintable(all));
    // On X11 the selected text is also the primary selection, pasted with a middle click.
    if (clipboard->supportsSelection())
        QCOMPARE(clipboard->text(QClipboard::Selection), all);
}

TOVIK_USER_PATH_MAIN(TestUserPathAccess)
#include "test_userpath_access.moc"
