#include "compare/comparecolumn.h"
#include "compare/comparewindow.h"
#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "mainwindow/textbox.h"
#include "support/isolatedhome.h"
#include "core/tabs/fakewindowarrangement.h"
#include "widgets/copytextbutton.h"
#include "widgets/emptystatepanel.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>

#include <algorithm>

using namespace tovik;

namespace {

struct Scene
{
    test::FakeWindowArrangement windows;
    OpenTabCatalog catalog{&windows};
    QHash<QUuid, WindowId> windowOf;

    QUuid open(const QString &title, const QString &question, const QString &answer, bool asking = false)
    {
        const QUuid id = QUuid::createUuid();
        windowOf.insert(id, windows.addWindow());
        update(id, title, question, answer, asking);
        return id;
    }
    void update(const QUuid &id, const QString &title, const QString &question, const QString &answer,
                bool asking = false)
    {
        catalog.publish(id, title, question, answer, asking, windowOf.value(id));
    }
};

QString shownAnswer(const CompareColumn *column)
{
    return column->answerBox()->text();
}

QStringList pickerItems(const CompareColumn *column)
{
    QStringList items;
    for (int index = 0; index < column->picker()->count(); ++index)
        items.append(column->picker()->itemText(index));
    return items;
}

bool showsText(const QWidget *root, const QString &text)
{
    const QList<QLabel *> labels = root->findChildren<QLabel *>();
    return std::any_of(labels.cbegin(), labels.cend(),
                       [&](const QLabel *label) { return label->isVisible() && label->text() == text; });
}

} // namespace

class TestCompareWindow : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void cleanup();
    void emptyStateUntilTheSecondAnswerThenLiveColumns();
    void streamedAnswerGrowsInPlace();
    void pickersNumberSharedTitlesAndPickThroughThePage();
    void narrowWindowShowsOneSideAtATime();
    void pinKeepsTheWindowInFrontWhereItWas();
    void followsTheInterfaceLanguage();
    void onlyOneSharedWindow();
};

void TestCompareWindow::cleanup()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestCompareWindow::emptyStateUntilTheSecondAnswerThenLiveColumns()
{
    Scene scene;
    const QUuid answered = scene.open(QStringLiteral("Alpha..."), QStringLiteral("Alpha question"),
                                      QStringLiteral("Alpha answer\n"));
    const QUuid waiting = scene.open(QStringLiteral("Beta..."), QStringLiteral("Beta question"), QString(), true);
    scene.catalog.setLastFrontID(waiting);
    CompareWindow window(scene.catalog);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(window.emptyState()->isVisible());
    QCOMPARE(window.emptyState()->shownTitle(), QStringLiteral("Need two answered tabs"));
    QVERIFY(!window.leftColumn()->isVisible());

    scene.update(waiting, QStringLiteral("Beta..."), QStringLiteral("Beta question"), QStringLiteral("Beta"), true);
    QVERIFY(!window.emptyState()->isVisible());
    QVERIFY(window.leftColumn()->isVisible() && window.rightColumn()->isVisible());
    // The most recently active tab goes left, and it is still answering.
    CompareColumn *left = window.leftColumn();
    QCOMPARE(left->questionBox()->text(), QStringLiteral("Beta question"));
    QCOMPARE(shownAnswer(left), QStringLiteral("Beta"));
    QVERIFY(left->showsAnswering());
    QVERIFY(showsText(left, QStringLiteral("Answering…")));
    QCOMPARE(shownAnswer(window.rightColumn()), QStringLiteral("Alpha answer"));
    QVERIFY(!window.rightColumn()->showsAnswering());
    QVERIFY(!showsText(window.rightColumn(), QStringLiteral("Answering…")));

    // Asked again: the answer empties while rag starts, the pair stays until it is answered.
    scene.update(answered, QStringLiteral("Alpha..."), QStringLiteral("Alpha question"), QString(), true);
    QVERIFY(window.emptyState()->isVisible());
    scene.update(answered, QStringLiteral("Alpha..."), QStringLiteral("Alpha question"), QStringLiteral("New"), false);
    QCOMPARE(shownAnswer(window.rightColumn()), QStringLiteral("New"));

    // A question of white space has nothing to copy.
    scene.update(answered, QStringLiteral("tovikRAG"), QStringLiteral("  \n"), QStringLiteral("New"), false);
    QVERIFY(!window.rightColumn()->questionBox()->copyButton()->isVisible());
    QVERIFY(window.rightColumn()->answerBox()->copyButton()->isVisible());

    // A tab that asks and has no text yet waits for rag, and a tab that is gone shows the placeholders.
    CompareColumn column(QStringLiteral("Left"));
    column.show();
    column.showTab(OpenTabCatalog::Tab{QUuid::createUuid(), QStringLiteral("tovikRAG"), QString(), QString(), true});
    QVERIFY(showsText(&column, QStringLiteral("Waiting for rag…")));
    QVERIFY(!showsText(&column, QStringLiteral("No answer yet.")));
    QVERIFY(showsText(&column, QStringLiteral("No question yet.")));
    column.showTab(std::nullopt);
    QVERIFY(!showsText(&column, QStringLiteral("Waiting for rag…")));
    QVERIFY(showsText(&column, QStringLiteral("No answer yet.")));
    QVERIFY(!column.showsAnswering());
}

void TestCompareWindow::streamedAnswerGrowsInPlace()
{
    Scene scene;
    scene.open(QStringLiteral("A"), QStringLiteral("qa"), QStringLiteral("Done\n"));
    const QUuid streaming = scene.open(QStringLiteral("B"), QStringLiteral("qb"), QString(), true);
    scene.catalog.setLastFrontID(streaming);
    CompareWindow window(scene.catalog);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString answer = QStringLiteral("Line 1\n");
    scene.update(streaming, QStringLiteral("B"), QStringLiteral("qb"), answer, true);
    CompareColumn *left = window.leftColumn();
    // The reader selects the first line while more keeps arriving.
    TextView *editor = left->answerBox()->editor();
    editor->select(0, 6);
    for (int line = 2; line <= 40; ++line) {
        answer += QStringLiteral("Line %1\n").arg(line);
        scene.update(streaming, QStringLiteral("B"), QStringLiteral("qb"), answer, true);
    }
    scene.update(streaming, QStringLiteral("B"), QStringLiteral("qb"), answer + QStringLiteral("Tail"), false);
    QCOMPARE(shownAnswer(left), answer + QStringLiteral("Tail"));
    QCOMPARE(editor->pieceCount(), 41);
    // Grown at the end rather than set again, so the selection survived.
    QCOMPARE(editor->selectedText(), QStringLiteral("Line 1"));

    // The copy button copies the tab's answer as it is.
    left->answerBox()->copyButton()->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), answer + QStringLiteral("Tail"));

    // A new answer that does not continue the old one replaces it.
    scene.update(streaming, QStringLiteral("B"), QStringLiteral("qb"), QStringLiteral("Other\n"), false);
    QCOMPARE(shownAnswer(left), QStringLiteral("Other"));
}

void TestCompareWindow::pickersNumberSharedTitlesAndPickThroughThePage()
{
    Scene scene;
    const QUuid c = scene.open(QStringLiteral("T"), QStringLiteral("q3"), QStringLiteral("a3"));
    const QUuid b = scene.open(QStringLiteral("T"), QStringLiteral("q2"), QStringLiteral("a2"));
    scene.open(QStringLiteral("S"), QStringLiteral("q1"), QStringLiteral("a1"));
    CompareWindow window(scene.catalog);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QStringList expected{QStringLiteral("S"), QStringLiteral("T \u00B7 1"), QStringLiteral("T \u00B7 2")};
    QCOMPARE(pickerItems(window.leftColumn()), expected);
    QCOMPARE(pickerItems(window.rightColumn()), expected);
    QCOMPARE(window.leftColumn()->picker()->currentText(), QStringLiteral("S"));
    QCOMPARE(window.rightColumn()->picker()->currentText(), QStringLiteral("T \u00B7 1"));
    QCOMPARE(window.leftColumn()->picker()->toolTip(),
             QStringLiteral("Same order as the window tabs, left to right."));

    // Picking on the left the tab shown on the right moves the right side on.
    Q_EMIT window.leftColumn()->picker()->activated(1);
    QCOMPARE(window.page().leftID(), b);
    QCOMPARE(window.page().rightID(), c);
    QCOMPARE(window.leftColumn()->picker()->currentText(), QStringLiteral("T \u00B7 1"));
    QCOMPARE(window.rightColumn()->picker()->currentText(), QStringLiteral("T \u00B7 2"));
    QCOMPARE(window.leftColumn()->questionBox()->text(), QStringLiteral("q2"));

    // Picking on the right the tab shown on the left: the right side takes the tab after it,
    // and the picker shows what the page decided, not what was clicked.
    window.rightColumn()->picker()->setCurrentIndex(1);
    Q_EMIT window.rightColumn()->picker()->activated(1);
    QCOMPARE(window.page().leftID(), b);
    QCOMPARE(window.page().rightID(), c);
    QCOMPARE(window.rightColumn()->picker()->currentText(), QStringLiteral("T \u00B7 2"));
}

void TestCompareWindow::narrowWindowShowsOneSideAtATime()
{
    Scene scene;
    scene.open(QStringLiteral("A"), QStringLiteral("qa"), QStringLiteral("aa"));
    scene.open(QStringLiteral("B"), QStringLiteral("qb"), QStringLiteral("ab"));
    CompareWindow window(scene.catalog);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.isCompact());
    QTRY_VERIFY(!window.flipButton()->isVisible());

    window.resize(402, 720);
    QTRY_COMPARE(window.centralWidget()->width(), 402);
    QVERIFY(window.isCompact());
    QVERIFY(window.leftColumn()->isVisible());
    QVERIFY(!window.rightColumn()->isVisible());
    QTRY_VERIFY(window.flipButton()->isVisible()); // the toolbar lays out on its next turn
    QCOMPARE(window.flipButton()->toolTip(), QStringLiteral("Show right"));
    QCOMPARE(window.flipButton()->accessibleName(), QStringLiteral("Show right"));

    window.flipButton()->click();
    QVERIFY(!window.leftColumn()->isVisible());
    QVERIFY(window.rightColumn()->isVisible());
    QCOMPARE(window.flipButton()->toolTip(), QStringLiteral("Show left"));
    window.flipButton()->click();
    QVERIFY(window.leftColumn()->isVisible());
    QCOMPARE(window.flipButton()->toolTip(), QStringLiteral("Show right"));

    // The content can be made as narrow as 380, never narrower.
    window.resize(300, 720);
    QTRY_COMPARE(window.centralWidget()->width(), 380);
    QVERIFY(window.isCompact());

    window.resize(403, 720);
    QTRY_COMPARE(window.centralWidget()->width(), 403);
    QVERIFY(!window.isCompact());
    QVERIFY(window.leftColumn()->isVisible() && window.rightColumn()->isVisible());
    QTRY_VERIFY(!window.flipButton()->isVisible());
}

void TestCompareWindow::pinKeepsTheWindowInFrontWhereItWas()
{
    Scene scene;
    CompareWindow window(scene.catalog);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(CompareWindow::defaultWidth, CompareWindow::defaultHeight));
    window.resize(900, 600);
    QTRY_COMPARE(window.size(), QSize(900, 600));
    QCOMPARE(window.pinButton()->text(), QStringLiteral("Pin"));
    QCOMPARE(window.pinButton()->toolTip(), QStringLiteral("Keep this window in front of other windows"));

    window.pinButton()->click();
    QVERIFY(window.page().staysOnTop());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.pinButton()->isChecked());
    QVERIFY(window.isVisible());
    QTRY_COMPARE(window.size(), QSize(900, 600));

    window.pinButton()->click();
    QVERIFY(!window.page().staysOnTop());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window.pinButton()->isChecked());
    QVERIFY(window.isVisible());
}

void TestCompareWindow::followsTheInterfaceLanguage()
{
    Scene scene;
    scene.open(QStringLiteral("A"), QStringLiteral("qa"), QStringLiteral("aa"));
    CompareWindow window(scene.catalog);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Compare Tabs"));

    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(window.windowTitle(), QStringLiteral("比較分頁"));
    QCOMPARE(window.emptyState()->shownTitle(), QStringLiteral("需要兩個已有回答的分頁"));
    QCOMPARE(window.pinButton()->toolTip(), translate(QStringLiteral("Keep this window in front of other windows")));
    QCOMPARE(window.locale().script(), QLocale::TraditionalChineseScript);

    scene.open(QStringLiteral("B"), QStringLiteral("qb"), QStringLiteral("ab"));
    QVERIFY(showsText(window.leftColumn(), QStringLiteral("左側")));
    QVERIFY(showsText(window.rightColumn(), QStringLiteral("右側")));
    QVERIFY(showsText(window.leftColumn(), QStringLiteral("提問")));
    QCOMPARE(window.leftColumn()->picker()->toolTip(), QStringLiteral("與視窗分頁的順序相同，由左至右。"));

    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QVERIFY(showsText(window.leftColumn(), QStringLiteral("Left")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Compare Tabs"));
}

void TestCompareWindow::onlyOneSharedWindow()
{
    QPointer<CompareWindow> first = CompareWindow::showShared();
    QVERIFY(first);
    QCOMPARE(first->objectName(), QStringLiteral("tovik-compare"));
    QCOMPARE(CompareWindow::showShared(), first.data());
    QCOMPARE(CompareWindow::sharedWindow(), first.data());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.cbegin(), windows.cend(),
                           [](QWidget *widget) { return qobject_cast<CompareWindow *>(widget) != nullptr; }),
             1);

    first->close();
    QTRY_VERIFY(!first); // closing ends the window and its page
    QVERIFY(!CompareWindow::sharedWindow());
    CompareWindow *second = CompareWindow::showShared();
    QVERIFY(second);
    second->close();
}

QTEST_MAIN(TestCompareWindow)
#include "test_comparewindow.moc"
