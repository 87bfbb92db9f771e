#include "support/isolatedhome.h"
#include "fakewindowarrangement.h"
#include "tabs/tabcomparepage.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tovik;
using Side = TabComparePage::Side;

namespace {

// Tabs published with windows of their own, each new window in front of the others.
struct Scene
{
    test::FakeWindowArrangement windows;
    OpenTabCatalog catalog{&windows};
    QHash<QUuid, WindowId> windowOf;

    QUuid open(const QString &title, const QString &answer, bool asking = false)
    {
        const QUuid id = QUuid::createUuid();
        windowOf.insert(id, windows.addWindow());
        update(id, title, answer, asking);
        return id;
    }
    void update(const QUuid &id, const QString &title, const QString &answer, bool asking = false)
    {
        catalog.publish(id, title, title + QStringLiteral("?"), answer, asking, windowOf.value(id));
    }
    void close(const QUuid &id)
    {
        windows.closeWindow(windowOf.take(id));
        catalog.refreshOrder();
    }
};

QList<QString> labelsOf(const TabComparePage &page)
{
    QList<QString> labels;
    for (const TabComparePage::Entry &entry : page.entries())
        labels.append(entry.label);
    return labels;
}

} // namespace

class TestTabComparePage : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void emptyUntilTheSecondTabHasText();
    void firstShowTakesTheLastFrontTabAndTheFreshOrder();
    void sharedTitlesAreNumberedInCatalogOrder();
    void picking_data();
    void picking();
    void pickingSomethingNotOfferedChangesNothing();
    void closedTabIsReplacedAndValidChoicesStay();
    void fewerThanTwoAnsweredKeepsTheLastPair();
    void streamingWakesOnlyTheTabObservers();
};

void TestTabComparePage::emptyUntilTheSecondTabHasText()
{
    Scene scene;
    const QUuid answered = scene.open(QStringLiteral("A"), QStringLiteral("An answer\n"));
    const QUuid waiting = scene.open(QStringLiteral("B"), QString(), true);
    scene.catalog.setLastFrontID(answered);
    TabComparePage page(scene.catalog);
    page.appear();
    QVERIFY(!page.canCompare());
    QVERIFY(page.leftID().isNull() && page.rightID().isNull());

    QSignalSpy answeredSpy(&page, &TabComparePage::answeredIDsChanged);
    scene.update(waiting, QStringLiteral("B"), QStringLiteral(" \n\t"), true); // white space is no answer
    QVERIFY(!page.canCompare());
    QCOMPARE(answeredSpy.count(), 0);

    scene.update(waiting, QStringLiteral("B"), QStringLiteral("First words"), true);
    QVERIFY(page.canCompare());
    QCOMPARE(answeredSpy.count(), 1);
    // The catalog lists B first (its window is in front), yet the last front tab goes left.
    QCOMPARE(page.answeredIDs(), (QList<QUuid>{waiting, answered}));
    QCOMPARE(page.leftID(), answered);
    QCOMPARE(page.rightID(), waiting);
    QCOMPARE(page.tab(Side::right)->answer, QStringLiteral("First words"));
    QVERIFY(page.tab(Side::right)->isAsking);
}

void TestTabComparePage::firstShowTakesTheLastFrontTabAndTheFreshOrder()
{
    Scene scene;
    const QUuid a = scene.open(QStringLiteral("A"), QStringLiteral("a"));
    const QUuid b = scene.open(QStringLiteral("B"), QStringLiteral("b"));
    const QUuid c = scene.open(QStringLiteral("C"), QStringLiteral("c"));
    TabComparePage page(scene.catalog);
    QCOMPARE(page.answeredIDs(), (QList<QUuid>{c, b, a}));

    // The window system changed behind the catalog's back; showing the page catches up.
    scene.windows.bringToFront(scene.windowOf.value(a));
    scene.catalog.setLastFrontID(b);
    page.appear();
    QCOMPARE(page.answeredIDs(), (QList<QUuid>{a, c, b}));
    QCOMPARE(page.leftID(), b);
    QCOMPARE(page.rightID(), a); // B is last: the first other tab
}

void TestTabComparePage::sharedTitlesAreNumberedInCatalogOrder()
{
    Scene scene;
    const QUuid back = scene.open(QStringLiteral("T"), QStringLiteral("one"));
    scene.open(QStringLiteral("U"), QStringLiteral("two"));
    scene.open(QStringLiteral("T"), QString()); // unanswered: not listed, not counted
    const QUuid front = scene.open(QStringLiteral("T"), QStringLiteral("three"));
    TabComparePage page(scene.catalog);
    page.appear();

    QCOMPARE(labelsOf(page), (QList<QString>{QStringLiteral("T \u00B7 1"), QStringLiteral("U"),
                                             QStringLiteral("T \u00B7 2")}));
    QCOMPARE(page.label(front), QStringLiteral("T \u00B7 1"));
    QCOMPARE(page.label(back), QStringLiteral("T \u00B7 2"));
    QCOMPARE(page.label(QUuid::createUuid()), QStringLiteral("tovikRAG"));
    QCOMPARE(page.label(QUuid()), QStringLiteral("tovikRAG"));

    // A renamed tab loses its number, and so does the one left alone with the title.
    QSignalSpy entriesSpy(&page, &TabComparePage::entriesChanged);
    scene.update(front, QStringLiteral("V"), QStringLiteral("three"));
    QCOMPARE(entriesSpy.count(), 1);
    QCOMPARE(labelsOf(page), (QList<QString>{QStringLiteral("V"), QStringLiteral("U"), QStringLiteral("T")}));
}

void TestTabComparePage::picking_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("picked");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    // Tabs 0, 1, 2 = A, B, C, shown as A | C.
    const int left = int(Side::left);
    const int right = int(Side::right);
    QTest::newRow("B on the right") << right << 1 << 0 << 1;
    QTest::newRow("left's tab on the right") << right << 0 << 0 << 1;
    QTest::newRow("right's tab on the left, last") << left << 2 << 2 << 0;
    QTest::newRow("B on the left keeps C") << left << 1 << 1 << 2;
}

void TestTabComparePage::picking()
{
    QFETCH(int, side);
    QFETCH(int, picked);
    QFETCH(int, left);
    QFETCH(int, right);

    Scene scene;
    QList<QUuid> ids;
    for (const QString &title : {QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("A")})
        ids.prepend(scene.open(title, title.toLower()));
    TabComparePage page(scene.catalog);
    page.appear();
    QCOMPARE(page.answeredIDs(), ids);
    page.choose(Side::right, ids[2]);
    QCOMPARE(page.leftID(), ids[0]);
    QCOMPARE(page.rightID(), ids[2]);

    page.choose(Side(side), ids[picked]);
    QCOMPARE(page.leftID(), ids[left]);
    QCOMPARE(page.rightID(), ids[right]);
}

void TestTabComparePage::pickingSomethingNotOfferedChangesNothing()
{
    Scene scene;
    const QUuid a = scene.open(QStringLiteral("A"), QStringLiteral("a"));
    const QUuid b = scene.open(QStringLiteral("B"), QStringLiteral("b"));
    const QUuid unanswered = scene.open(QStringLiteral("C"), QString(), true);
    TabComparePage page(scene.catalog);
    page.appear();
    const QUuid left = page.leftID();
    const QUuid right = page.rightID();
    QVERIFY(left != right && QList<QUuid>({a, b}).contains(left));

    QSignalSpy leftSpy(&page, &TabComparePage::leftIDChanged);
    QSignalSpy rightSpy(&page, &TabComparePage::rightIDChanged);
    page.choose(Side::left, left);
    page.choose(Side::right, unanswered);
    page.choose(Side::left, QUuid::createUuid());
    page.choose(Side::right, QUuid());
    QCOMPARE(page.leftID(), left);
    QCOMPARE(page.rightID(), right);
    QCOMPARE(leftSpy.count(), 0);
    QCOMPARE(rightSpy.count(), 0);
}

void TestTabComparePage::closedTabIsReplacedAndValidChoicesStay()
{
    Scene scene;
    const QUuid d = scene.open(QStringLiteral("D"), QStringLiteral("d"));
    const QUuid c = scene.open(QStringLiteral("C"), QStringLiteral("c"));
    const QUuid b = scene.open(QStringLiteral("B"), QStringLiteral("b"));
    const QUuid a = scene.open(QStringLiteral("A"), QStringLiteral("a"));
    TabComparePage page(scene.catalog);
    page.appear();
    page.choose(Side::right, c);
    QCOMPARE(page.leftID(), a);
    QCOMPARE(page.rightID(), c);

    // Closing a tab that is not shown keeps both choices.
    QSignalSpy leftSpy(&page, &TabComparePage::leftIDChanged);
    scene.close(d);
    QCOMPARE(page.leftID(), a);
    QCOMPARE(page.rightID(), c);
    QCOMPARE(leftSpy.count(), 0);

    // The right side's tab closes: the tab after the left one takes its place.
    scene.close(c);
    QCOMPARE(page.leftID(), a);
    QCOMPARE(page.rightID(), b);
    QCOMPARE(leftSpy.count(), 0);
    QVERIFY(!page.tab(Side::left)->answer.isEmpty());

    // The left side's tab closes: with no last front tab the first answered one goes left,
    // and the right side, no longer free, moves on.
    page.choose(Side::left, b);
    scene.open(QStringLiteral("E"), QStringLiteral("e")); // list: E, A, B
    QCOMPARE(page.leftID(), b);
    scene.close(b);
    QCOMPARE(page.answeredIDs().size(), 2);
    QCOMPARE(page.leftID(), page.answeredIDs().first());
    QVERIFY(page.rightID() != page.leftID());
    QVERIFY(page.answeredIDs().contains(page.rightID()));
}

void TestTabComparePage::fewerThanTwoAnsweredKeepsTheLastPair()
{
    Scene scene;
    const QUuid a = scene.open(QStringLiteral("A"), QStringLiteral("a"));
    const QUuid b = scene.open(QStringLiteral("B"), QStringLiteral("b"));
    TabComparePage page(scene.catalog);
    page.appear();
    const QUuid left = page.leftID();

    // B is asked again: its answer is cleared while rag starts.
    scene.update(b, QStringLiteral("B"), QString(), true);
    QVERIFY(!page.canCompare());
    QCOMPARE(page.leftID(), left);
    QVERIFY(!page.rightID().isNull());
    QCOMPARE(page.tab(Side::left).has_value(), true); // still a tab, only unanswered

    scene.update(b, QStringLiteral("B"), QStringLiteral("new"), true);
    QVERIFY(page.canCompare());
    QCOMPARE(QSet<QUuid>({page.leftID(), page.rightID()}), QSet<QUuid>({a, b}));

    // A closed tab is no tab at all: its side shows nothing.
    scene.close(a);
    QVERIFY(!page.canCompare());
    QVERIFY(!page.tab(page.leftID() == a ? Side::left : Side::right).has_value());
}

void TestTabComparePage::streamingWakesOnlyTheTabObservers()
{
    Scene scene;
    scene.open(QStringLiteral("A"), QStringLiteral("a"));
    const QUuid b = scene.open(QStringLiteral("B"), QStringLiteral("Line 1\n"), true);
    TabComparePage page(scene.catalog);
    page.appear();

    QSignalSpy tabsSpy(&page, &TabComparePage::tabsChanged);
    QSignalSpy entriesSpy(&page, &TabComparePage::entriesChanged);
    QSignalSpy answeredSpy(&page, &TabComparePage::answeredIDsChanged);
    QSignalSpy leftSpy(&page, &TabComparePage::leftIDChanged);
    QSignalSpy rightSpy(&page, &TabComparePage::rightIDChanged);
    scene.update(b, QStringLiteral("B"), QStringLiteral("Line 1\nLine 2\n"), true);
    scene.update(b, QStringLiteral("B"), QStringLiteral("Line 1\nLine 2\n"), true); // unchanged
    scene.update(b, QStringLiteral("B"), QStringLiteral("Line 1\nLine 2\nLine 3\n"), false);
    QCOMPARE(tabsSpy.count(), 2);
    QCOMPARE(entriesSpy.count(), 0);
    QCOMPARE(answeredSpy.count(), 0);
    QCOMPARE(leftSpy.count() + rightSpy.count(), 0);
}

QTEST_GUILESS_MAIN(TestTabComparePage)
#include "test_tabcomparepage.moc"
