#include "fakewindowarrangement.h"
#include "support/isolatedhome.h"
#include "tabs/opentabregistrar.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace tovik;

namespace {

// Runs the deferred publishes and removals.
void nextTurn()
{
    QCoreApplication::sendPostedEvents();
}

} // namespace

class TestOpenTabRegistrar : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void quickUpdatesGiveOnePublishWithTheLatestValues();
    void nothingIsListedBeforeTheTabHasAWindow();
    void becomingKeyMakesTheLastFrontTab();
    void closingTheWindowRemovesTheTabForGood();
    void closeRightAfterAnUpdateDoesNotBringTheTabBack();
    void destroyingTheRegistrarRemovesTheTab();
    void movingToAnotherWindowFollowsThatWindow();

private:
    test::FakeWindowArrangement m_windows;
};

void TestOpenTabRegistrar::quickUpdatesGiveOnePublishWithTheLatestValues()
{
    OpenTabCatalog catalog(&m_windows);
    const WindowId window = m_windows.addWindow();
    OpenTabRegistrar registrar(QUuid::createUuid(), catalog);
    registrar.setWindow(window);
    QSignalSpy spy(&catalog, &OpenTabCatalog::tabsChanged);

    registrar.update(QStringLiteral("W..."), QStringLiteral("W"), QString(), true);
    registrar.update(QStringLiteral("Wh..."), QStringLiteral("Wh"), QStringLiteral("Par"), true);
    registrar.update(QStringLiteral("Why..."), QStringLiteral("Why"), QStringLiteral("Partial"), false);
    QVERIFY(catalog.tabs().isEmpty()); // nothing before the event loop turns
    nextTurn();

    QCOMPARE(spy.count(), 1);
    const OpenTabCatalog::Tab expected{registrar.tabID(), QStringLiteral("Why..."), QStringLiteral("Why"),
                                       QStringLiteral("Partial"), false};
    QCOMPARE(catalog.tabs(), QList<OpenTabCatalog::Tab>{expected});

    // Equal values hide repeated publishes from tabsChanged, so take the tab out after the
    // first one: a second publish in the same turn would bring it back.
    QObject context;
    connect(&catalog, &OpenTabCatalog::tabsChanged, &context, [&] {
        if (!catalog.tabs().isEmpty())
            catalog.remove(registrar.tabID());
    });
    for (int i = 0; i < 3; ++i)
        registrar.update(QStringLiteral("Why..."), QStringLiteral("Why"), QStringLiteral("Partial answer"), false);
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
    QCOMPARE(spy.count(), 3);
}

void TestOpenTabRegistrar::nothingIsListedBeforeTheTabHasAWindow()
{
    OpenTabCatalog catalog(&m_windows);
    OpenTabRegistrar registrar(QUuid::createUuid(), catalog);
    registrar.update(QStringLiteral("tovikRAG"), QString(), QString(), false);
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());

    registrar.setWindow(m_windows.addWindow());
    nextTurn();
    QCOMPARE(catalog.tabs().size(), 1);
    QCOMPARE(catalog.tabs().first().title, QStringLiteral("tovikRAG"));
}

void TestOpenTabRegistrar::becomingKeyMakesTheLastFrontTab()
{
    OpenTabCatalog catalog(&m_windows);
    const WindowId first = m_windows.addWindow();
    const WindowId second = m_windows.addWindow();
    OpenTabRegistrar one(QUuid::createUuid(), catalog);
    OpenTabRegistrar two(QUuid::createUuid(), catalog);
    one.setWindow(first);
    two.setWindow(second);
    nextTurn();
    QVERIFY(catalog.lastFrontID().isNull()); // neither window is key yet

    m_windows.makeKey(first);
    nextTurn();
    QCOMPARE(catalog.lastFrontID(), one.tabID());
    QCOMPARE(catalog.tabs().first().id, one.tabID()); // and its window moved to the front

    m_windows.makeKey(second);
    nextTurn();
    QCOMPARE(catalog.lastFrontID(), two.tabID());
}

void TestOpenTabRegistrar::closingTheWindowRemovesTheTabForGood()
{
    OpenTabCatalog catalog(&m_windows);
    const WindowId window = m_windows.addWindow();
    OpenTabRegistrar registrar(QUuid::createUuid(), catalog);
    registrar.setWindow(window);
    m_windows.makeKey(window);
    nextTurn();
    QCOMPARE(catalog.lastFrontID(), registrar.tabID());

    m_windows.closeWindow(window);
    QVERIFY(registrar.isClosed());
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
    QVERIFY(catalog.lastFrontID().isNull());

    // Late updates from the dying tab are ignored, even with a live window.
    registrar.setWindow(m_windows.addWindow());
    registrar.update(QStringLiteral("late"), QString(), QStringLiteral("late"), false);
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
}

void TestOpenTabRegistrar::closeRightAfterAnUpdateDoesNotBringTheTabBack()
{
    OpenTabCatalog catalog(&m_windows);
    const WindowId window = m_windows.addWindow();
    OpenTabRegistrar registrar(QUuid::createUuid(), catalog);
    registrar.setWindow(window);
    nextTurn();
    QCOMPARE(catalog.tabs().size(), 1);

    registrar.update(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("a"), false);
    registrar.close();
    nextTurn();
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
}

void TestOpenTabRegistrar::destroyingTheRegistrarRemovesTheTab()
{
    OpenTabCatalog catalog(&m_windows);
    const WindowId window = m_windows.addWindow();
    auto registrar = std::make_unique<OpenTabRegistrar>(QUuid::createUuid(), catalog);
    registrar->setWindow(window);
    registrar->update(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("a"), false);
    nextTurn();
    QCOMPARE(catalog.tabs().size(), 1);

    registrar.reset();
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
    // Its observers are gone with it.
    m_windows.makeKey(window);
    m_windows.closeWindow(window);
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
}

void TestOpenTabRegistrar::movingToAnotherWindowFollowsThatWindow()
{
    OpenTabCatalog catalog(&m_windows);
    const WindowId old = m_windows.addWindow();
    const WindowId moved = m_windows.addWindow();
    OpenTabRegistrar registrar(QUuid::createUuid(), catalog);
    registrar.setWindow(old);
    nextTurn();
    registrar.setWindow(moved);
    nextTurn();
    QCOMPARE(catalog.windowFor(registrar.tabID()), moved);

    m_windows.closeWindow(old); // no longer this tab's window
    nextTurn();
    QCOMPARE(catalog.tabs().size(), 1);
    m_windows.closeWindow(moved);
    nextTurn();
    QVERIFY(catalog.tabs().isEmpty());
}

QTEST_GUILESS_MAIN(TestOpenTabRegistrar)
#include "test_opentabregistrar.moc"
