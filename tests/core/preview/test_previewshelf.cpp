#include "preview/documentpreviewmodel.h"
#include "preview/previewloadtask.h"
#include "preview/previewshelf.h"
#include "preview/previewtabmonitor.h"
#include "previewfixture.h"
#include "support/isolatedhome.h"

#include <QtTest>

#include <memory>

using namespace tovik;
using test::marker;

class TestPreviewShelf : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void onlyTheActiveTabLoads();
    void refreshWithoutAnswer();
    void removedAndDeadModels();
    void monitorFeedsTheShelf();
    void loadTaskFollowsTheKey();

private:
    // Three tabs in one shelf, each with a model and an answer citing good.pdf.
    struct Tabs
    {
        PreviewShelf shelf;
        QList<QUuid> ids{QUuid::createUuid(), QUuid::createUuid(), QUuid::createUuid()};
        std::vector<std::unique_ptr<DocumentPreviewModel>> models;
    };
    void makeTabs(Tabs &tabs, bool loaded);
    QString answer(int page) const { return QStringLiteral("Answer %1\n").arg(marker(QStringLiteral("good.pdf"), page)); }

    test::PreviewProject m_project;
};

void TestPreviewShelf::initTestCase()
{
    QVERIFY(test::writePagesPdf(m_project.filePath(QStringLiteral("good.pdf")), 3));
    QVERIFY(m_project.writeCorpus({{QStringLiteral("good.pdf"), m_project.filePath(QStringLiteral("good.pdf"))}}));
}

void TestPreviewShelf::makeTabs(Tabs &tabs, bool loaded)
{
    for (int i = 0; i < 3; ++i) {
        tabs.models.push_back(std::make_unique<DocumentPreviewModel>());
        tabs.shelf.setSlot(tabs.ids[i], {tabs.models.back().get(), answer(i + 1), m_project.path(), false});
        if (loaded)
            QVERIFY(test::waitFor(tabs.models.back()->load(answer(i + 1), m_project.path())));
    }
}

void TestPreviewShelf::onlyTheActiveTabLoads()
{
    Tabs tabs;
    makeTabs(tabs, true);
    DocumentPreviewModel &a = *tabs.models[0], &b = *tabs.models[1], &c = *tabs.models[2];
    const auto accepting = [&] {
        int count = 0;
        for (const auto &model : tabs.models)
            count += model->acceptsLoads();
        return count;
    };

    tabs.shelf.beginQuestion(tabs.ids[0]);
    QCOMPARE(accepting(), 1);
    QVERIFY(a.acceptsLoads());
    QVERIFY(a.groups().isEmpty() && a.loadedKey().isEmpty()); // starts the question empty
    for (DocumentPreviewModel *other : {&b, &c}) {
        QVERIFY(!other->acceptsLoads());
        QVERIFY(other->images().isEmpty() && other->documents().isEmpty() && other->groups().isEmpty());
        // A deactivated model ignores loads.
        QVERIFY(other->load(answer(3), m_project.path()).isFinished());
        QVERIFY(!other->isLoading());
    }

    // B becomes the active tab: it loads its answer from scratch, A stops.
    const qint64 cGeneration = c.generation();
    tabs.shelf.refresh(tabs.ids[1]);
    QCOMPARE(accepting(), 1);
    QVERIFY(b.acceptsLoads() && b.isLoading());
    QVERIFY(!a.acceptsLoads());
    QCOMPARE(c.generation(), cGeneration); // already empty: nothing to drop
    QVERIFY(QTest::qWaitFor([&] { return !b.isLoading(); }));
    QCOMPARE(b.groups().value(0).pages.value(0).page, 2);
    QVERIFY(b.groups()[0].pages[0].hasImage());
}

void TestPreviewShelf::refreshWithoutAnswer()
{
    Tabs tabs;
    makeTabs(tabs, false);
    DocumentPreviewModel &a = *tabs.models[0];
    tabs.shelf.setSlot(tabs.ids[0], {&a, QStringLiteral(" \n\t"), m_project.path(), false});
    tabs.shelf.refresh(tabs.ids[0]);
    for (const auto &model : tabs.models)
        QVERIFY(model->acceptsLoads()); // nothing happened

    // Asking with no answer yet: the others stop, nothing loads.
    tabs.shelf.setSlot(tabs.ids[0], {&a, QString(), m_project.path(), true});
    tabs.shelf.refresh(tabs.ids[0]);
    QVERIFY(a.acceptsLoads());
    QVERIFY(!tabs.models[1]->acceptsLoads() && !tabs.models[2]->acceptsLoads());
    QCOMPARE(a.generation(), 0);
    QVERIFY(!a.isLoading());

    tabs.shelf.refresh(QUuid::createUuid()); // unknown tab
    QVERIFY(a.acceptsLoads());
}

void TestPreviewShelf::removedAndDeadModels()
{
    Tabs tabs;
    makeTabs(tabs, true);
    tabs.shelf.remove(tabs.ids[0]);
    QVERIFY(!tabs.shelf.slot(tabs.ids[0]));
    QVERIFY(!tabs.models[0]->acceptsLoads());
    QVERIFY(tabs.models[0]->images().isEmpty());

    // A closed tab's model is not kept alive; its slot is harmless until removed.
    tabs.models[1].reset();
    QVERIFY(tabs.shelf.slot(tabs.ids[1]));
    QVERIFY(!tabs.shelf.slot(tabs.ids[1])->model);
    tabs.shelf.beginQuestion(tabs.ids[2]);
    tabs.shelf.refresh(tabs.ids[1]);
    QVERIFY(!tabs.models[2]->acceptsLoads()); // refresh of the dead tab still stops the others
    tabs.shelf.beginQuestion(tabs.ids[1]);
    tabs.shelf.remove(tabs.ids[1]);
    QCOMPARE(tabs.shelf.tabSlots().size(), 1);
}

void TestPreviewShelf::monitorFeedsTheShelf()
{
    PreviewShelf shelf;
    DocumentPreviewModel mine, other;
    const QUuid id = QUuid::createUuid(), otherID = QUuid::createUuid();
    shelf.setSlot(otherID, {&other, answer(1), m_project.path(), false});
    QVERIFY(test::waitFor(other.load(answer(1), m_project.path())));

    auto monitor = std::make_unique<PreviewTabMonitor>(id, &mine, QString(), m_project.path(), false, shelf);
    QCOMPARE(shelf.slot(id)->model, &mine);
    QCOMPARE(shelf.slot(id)->workingDirectory, m_project.path());

    // Streaming lines only store the slot.
    monitor->update(id, &mine, QStringLiteral("line\n"), m_project.path(), false);
    QCOMPARE(shelf.slot(id)->answer, QStringLiteral("line\n"));
    QVERIFY(other.acceptsLoads());

    // Asking starts: the other tab stops, this model starts empty, once.
    monitor->update(id, &mine, QString(), m_project.path(), true);
    QVERIFY(shelf.slot(id)->isAsking);
    QVERIFY(!other.acceptsLoads() && other.images().isEmpty());
    const qint64 afterBegin = mine.generation();
    QCOMPARE(afterBegin, 1);
    monitor->update(id, &mine, answer(2), m_project.path(), true);
    QCOMPARE(mine.generation(), afterBegin);

    // Becoming key is reported on the next turn, once for several reports, with the
    // values of that moment.
    other.setAcceptsLoads(true);
    monitor->windowBecameKey();
    monitor->windowBecameKey();
    monitor->update(id, &mine, answer(3), m_project.path(), false);
    QCOMPARE(mine.generation(), afterBegin);
    QVERIFY(QTest::qWaitFor([&] { return mine.generation() > afterBegin; }));
    QVERIFY(QTest::qWaitFor([&] { return !mine.isLoading(); }));
    QCOMPARE(mine.generation(), afterBegin + 1);
    QCOMPARE(mine.groups().value(0).pages.value(0).page, 3);
    QVERIFY(!other.acceptsLoads());

    // Tabs switched faster than the reports run: the one that became key last wins,
    // although the other one's report was queued after it first.
    auto otherMonitor = std::make_unique<PreviewTabMonitor>(otherID, &other, answer(1), m_project.path(), false, shelf);
    monitor->windowBecameKey();
    otherMonitor->windowBecameKey();
    monitor->windowBecameKey();
    QVERIFY(QTest::qWaitFor([&] { return mine.acceptsLoads() && !other.acceptsLoads() && !mine.isLoading(); }));
    QTest::qWait(0);
    QVERIFY(mine.acceptsLoads() && !other.acceptsLoads());
    otherMonitor.reset();

    // Closing the tab takes it out of the shelf and frees its pages.
    monitor.reset();
    QVERIFY(!shelf.slot(id));
    QVERIFY(!mine.acceptsLoads() && mine.images().isEmpty());
}

void TestPreviewShelf::loadTaskFollowsTheKey()
{
    DocumentPreviewModel model;
    auto task = std::make_unique<PreviewLoadTask>(&model);
    task->follow(answer(1), m_project.path());
    QFuture<void> first = task->future();
    QCOMPARE(model.generation(), 1);
    // More text without a new citation keeps the running load.
    task->follow(answer(1) + QStringLiteral("More words.\n"), m_project.path());
    QCOMPARE(model.generation(), 1);
    // A new citation restarts it.
    task->follow(answer(1) + answer(2), m_project.path());
    QCOMPARE(model.generation(), 2);
    QVERIFY(test::waitFor(first));
    QVERIFY(first.isCanceled());
    QVERIFY(test::waitFor(task->future()));
    QCOMPARE(model.groups().value(0).pages.size(), 2);

    // Hidden and shown again with another folder: starts again.
    task->cancel();
    task->follow(answer(1) + answer(2), m_project.path() + QStringLiteral("/data"));
    QCOMPARE(model.generation(), 3);
    QFuture<void> running = task->future();
    task.reset(); // the sidebar went away
    QVERIFY(test::waitFor(running));
    QVERIFY(running.isCanceled());
}

QTEST_MAIN(TestPreviewShelf)
#include "test_previewshelf.moc"
