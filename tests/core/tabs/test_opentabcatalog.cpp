#include "fakewindowarrangement.h"
#include "support/isolatedhome.h"
#include "tabs/opentabcatalog.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tovik;
using Tab = OpenTabCatalog::Tab;
using SidePair = OpenTabCatalog::SidePair;

namespace {

QList<QUuid> idsOf(const QList<Tab> &tabs)
{
    QList<QUuid> ids;
    for (const Tab &tab : tabs)
        ids.append(tab.id);
    return ids;
}

// One tab per window, answered unless told otherwise.
struct Scene
{
    test::FakeWindowArrangement windows;
    OpenTabCatalog catalog{&windows};

    void publish(const QUuid &id, WindowId window, const QString &answer = QStringLiteral("An answer"))
    {
        catalog.publish(id, QStringLiteral("Title"), QStringLiteral("Question"), answer, false, window);
    }
    QList<QUuid> order() const { return idsOf(catalog.tabs()); }
};

} // namespace

class TestOpenTabCatalog : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void frontWindowComesFirstThenGroupLeftToRight();
    void minimisedWindowsAndBackgroundTabsStayListed();
    void windowThatIsNotOpenLeavesTheList();
    void overviewFreezesTheOrder();
    void publishWithoutWindowUsesTheAnchor();
    void destroyedWindowsArePrunedOnRefresh();
    void republishingTheSameValuesWakesNobody();
    void removingATab();
    void whitespaceAnswerIsNotAnswered();
    void defaultPair_data();
    void defaultPair();

private:
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    const QUuid c = QUuid::createUuid();
    const QUuid d = QUuid::createUuid();
};

void TestOpenTabCatalog::frontWindowComesFirstThenGroupLeftToRight()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    scene.windows.makeGroup({wa, wb});
    const WindowId wc = scene.windows.addWindow(); // in front of the group
    scene.publish(b, wb);
    scene.publish(c, wc);
    scene.publish(a, wa);
    QCOMPARE(scene.order(), (QList<QUuid>{c, a, b}));

    scene.windows.bringToFront(wb); // any window of the group brings the whole group forward
    scene.catalog.refreshOrder();
    QCOMPARE(scene.order(), (QList<QUuid>{a, b, c}));

    scene.windows.makeGroup({wb, wa}); // tabs swapped in the tab bar
    scene.catalog.refreshOrder();
    QCOMPARE(scene.order(), (QList<QUuid>{b, a, c}));
    QCOMPARE(scene.catalog.windowFor(c), wc);
}

void TestOpenTabCatalog::minimisedWindowsAndBackgroundTabsStayListed()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    scene.windows.makeGroup({wa, wb}); // b is a background tab
    const WindowId wc = scene.windows.addWindow();
    scene.windows.setMinimized(wc, true);
    scene.publish(a, wa);
    scene.publish(b, wb);
    scene.publish(c, wc);
    QVERIFY(!scene.windows.isVisible(wb));
    QCOMPARE(scene.order(), (QList<QUuid>{c, a, b}));
    scene.catalog.refreshOrder();
    QCOMPARE(scene.order(), (QList<QUuid>{c, a, b}));
}

void TestOpenTabCatalog::windowThatIsNotOpenLeavesTheList()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    scene.windows.makeGroup({wa, wb});
    scene.publish(a, wa);
    scene.publish(b, wb);
    QCOMPARE(scene.order(), (QList<QUuid>{a, b}));

    // The whole group hidden: a background tab no longer has a visible companion.
    scene.windows.setVisible(wa, false);
    scene.publish(b, wb);
    QCOMPARE(scene.order(), (QList<QUuid>{a}));
    QVERIFY(scene.catalog.windowFor(b).isNull());
}

void TestOpenTabCatalog::overviewFreezesTheOrder()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    scene.windows.makeGroup({wa, wb});
    const WindowId wc = scene.windows.addWindow();
    scene.publish(a, wa);
    scene.publish(b, wb);
    scene.publish(c, wc);
    QCOMPARE(scene.order(), (QList<QUuid>{c, a, b}));

    scene.windows.setShowingTabOverview(true);
    scene.windows.makeGroup({wb, wa});
    scene.windows.bringToFront(wa);
    scene.catalog.publish(a, QStringLiteral("New title"), QString(), QStringLiteral("x"), true, wa);
    QCOMPARE(scene.order(), (QList<QUuid>{c, a, b}));
    QCOMPARE(scene.catalog.tabs().at(1).title, QStringLiteral("New title"));
    const WindowId wd = scene.windows.addWindow();
    scene.publish(d, wd); // a new tab goes to the end meanwhile
    scene.catalog.refreshOrder();
    QCOMPARE(scene.order(), (QList<QUuid>{c, a, b, d}));

    scene.windows.setShowingTabOverview(false);
    scene.catalog.refreshOrder();
    QCOMPARE(scene.order(), (QList<QUuid>{d, b, a, c}));
}

void TestOpenTabCatalog::publishWithoutWindowUsesTheAnchor()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    scene.publish(b, WindowId{}); // never had a window
    QVERIFY(scene.catalog.tabs().isEmpty());
    scene.publish(a, wa, QStringLiteral("first"));
    scene.publish(a, WindowId{}, QStringLiteral("second"));
    QCOMPARE(scene.catalog.tabs().size(), 1);
    QCOMPARE(scene.catalog.tabs().first().answer, QStringLiteral("second"));
    QCOMPARE(scene.catalog.windowFor(a), wa);

    scene.windows.destroy(wa);
    QVERIFY(scene.catalog.windowFor(a).isNull());
    scene.publish(a, WindowId{}, QStringLiteral("third"));
    QVERIFY(scene.catalog.tabs().isEmpty());
}

void TestOpenTabCatalog::destroyedWindowsArePrunedOnRefresh()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    scene.publish(a, wa);
    scene.publish(b, wb);
    scene.catalog.setLastFrontID(a);
    scene.windows.destroy(wa); // gone without a close notice

    scene.catalog.refreshOrder();
    QCOMPARE(scene.order(), QList<QUuid>{b});
    QVERIFY(scene.catalog.lastFrontID().isNull());

    // A publish of another tab prunes as well.
    scene.catalog.setLastFrontID(b);
    const WindowId wc = scene.windows.addWindow();
    scene.windows.destroy(wb);
    scene.publish(c, wc);
    QCOMPARE(scene.order(), QList<QUuid>{c});
}

void TestOpenTabCatalog::republishingTheSameValuesWakesNobody()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    QSignalSpy spy(&scene.catalog, &OpenTabCatalog::tabsChanged);
    scene.publish(a, wa);
    scene.publish(a, wa);
    scene.catalog.refreshOrder();
    QCOMPARE(spy.count(), 1);
    scene.catalog.publish(a, QStringLiteral("Title"), QStringLiteral("Question"), QStringLiteral("An answer"), true, wa);
    QCOMPARE(spy.count(), 2);
    QVERIFY(scene.catalog.tabs().first().isAsking);
}

void TestOpenTabCatalog::removingATab()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    scene.publish(a, wa);
    scene.publish(b, wb);
    scene.catalog.setLastFrontID(a);
    QSignalSpy tabsSpy(&scene.catalog, &OpenTabCatalog::tabsChanged);
    QSignalSpy frontSpy(&scene.catalog, &OpenTabCatalog::lastFrontIDChanged);

    scene.catalog.remove(b);
    QCOMPARE(scene.order(), QList<QUuid>{a});
    QCOMPARE(scene.catalog.lastFrontID(), a); // someone else's removal leaves it
    QVERIFY(scene.catalog.windowFor(b).isNull());
    scene.catalog.remove(b);
    scene.catalog.remove(d);
    QCOMPARE(tabsSpy.count(), 1);

    scene.catalog.remove(a);
    QVERIFY(scene.catalog.tabs().isEmpty());
    QVERIFY(scene.catalog.lastFrontID().isNull());
    QCOMPARE(frontSpy.count(), 1);

    // The window lives on, but the tab only comes back with a window of its own again.
    scene.publish(a, WindowId{});
    QVERIFY(scene.catalog.tabs().isEmpty());
    scene.publish(a, wa);
    QCOMPARE(scene.order(), QList<QUuid>{a});
}

void TestOpenTabCatalog::whitespaceAnswerIsNotAnswered()
{
    Scene scene;
    const WindowId wa = scene.windows.addWindow();
    const WindowId wb = scene.windows.addWindow();
    const WindowId wc = scene.windows.addWindow();
    const WindowId wd = scene.windows.addWindow();
    scene.publish(a, wa, QStringLiteral(" \n\t \r\n"));
    scene.publish(b, wb, QString());
    scene.publish(c, wc, QStringLiteral("\u3000\u00a0"));
    // Still streaming: text has arrived, so it counts.
    scene.catalog.publish(d, QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("  Par"), true, wd);
    QCOMPARE(idsOf(scene.catalog.answeredTabs()), QList<QUuid>{d});
    QCOMPARE(scene.catalog.answeredTabs().first().answer, QStringLiteral("  Par")); // kept untrimmed
    QVERIFY(!scene.catalog.defaultPair());
}

void TestOpenTabCatalog::defaultPair_data()
{
    QTest::addColumn<QString>("lastFront");
    QTest::addColumn<QString>("preferredLeft");
    QTest::addColumn<QString>("preferredRight");
    QTest::addColumn<QString>("expected"); // left and right

    // Answered tabs are A, B, C in this order; D is open but has no answer; E is not open.
    QTest::newRow("first two by default") << "" << "" << "" << "AB";
    QTest::newRow("last front on the left") << "B" << "" << "" << "BC";
    QTest::newRow("last front is the last tab") << "C" << "" << "" << "CA";
    QTest::newRow("same preference on both sides") << "" << "A" << "A" << "AB";
    QTest::newRow("preferences beat the last front") << "C" << "A" << "B" << "AB";
    QTest::newRow("valid preferences stay") << "" << "C" << "A" << "CA";
    QTest::newRow("unanswered left preference") << "B" << "D" << "" << "BC";
    QTest::newRow("closed right preference") << "" << "A" << "E" << "AB";
    QTest::newRow("unanswered last front") << "D" << "" << "" << "AB";
    // Picker choices: shown A | C, pick B on the right, A on the right, C on the left.
    QTest::newRow("pick B right") << "" << "A" << "B" << "AB";
    QTest::newRow("pick A right") << "" << "A" << "A" << "AB";
    QTest::newRow("pick C left") << "" << "C" << "C" << "CA";
}

void TestOpenTabCatalog::defaultPair()
{
    QFETCH(QString, lastFront);
    QFETCH(QString, preferredLeft);
    QFETCH(QString, preferredRight);
    QFETCH(QString, expected);

    const QUuid e = QUuid::createUuid();
    const QHash<QString, QUuid> ids{{"A", a}, {"B", b}, {"C", c}, {"D", d}, {"E", e}};
    Scene scene;
    for (const QUuid &id : {d, c, b, a}) // the last added window is in front
        scene.publish(id, scene.windows.addWindow(), id == d ? QString() : QStringLiteral("answer"));
    QCOMPARE(scene.order(), (QList<QUuid>{a, b, c, d}));
    scene.catalog.setLastFrontID(ids.value(lastFront));

    const auto pair = scene.catalog.defaultPair(ids.value(preferredLeft), ids.value(preferredRight));
    QVERIFY(pair);
    QCOMPARE(*pair, (SidePair{ids.value(expected.left(1)), ids.value(expected.mid(1))}));
}

QTEST_GUILESS_MAIN(TestOpenTabCatalog)
#include "test_opentabcatalog.moc"
