#include "appservices.h"
#include "documents/documentpreview.h"
#include "mainwindow/contentview.h"
#include "preview/documentpreviewmodel.h"
#include "preview/previewshelf.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"
#include "support/workflowfixture.h"
#include "tabs/contentmodel.h"

#include <QtTest>

using namespace tovik;
using tovik::test::WorkflowFixture;

namespace {

void askAndWait(ContentView &tab, const QString &question)
{
    tab.session().setQuestion(question);
    tab.model().ask();
    QVERIFY(tab.session().isAsking());
    QTRY_VERIFY_WITH_TIMEOUT(!tab.session().isBusy(), 10000);
}

} // namespace

// What a tab tells the preview shelf: its slot on every change, a question starting,
// its window becoming active, and its going away.
class TestContentViewPreview : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void tabsFeedThePreviewShelf();
};

void TestContentViewPreview::tabsFeedThePreviewShelf()
{
    RagSession::resetStatusCheckedThisLaunchForTesting();
    WorkflowFixture fixture;
    AppServices services(*fixture.settings, *fixture.history);
    services.makePrompts = [](QWidget *) { return std::make_unique<test::ScriptedPrompts>(); };
    PreviewShelf &shelf = PreviewShelf::shared();

    auto first = std::make_unique<ContentView>(services);
    auto second = std::make_unique<ContentView>(services);
    QVERIFY(first->documentsPage());
    std::optional<PreviewShelf::Slot> slot = shelf.slot(first->tabID());
    QVERIFY(slot);
    QCOMPARE(slot->model.data(), &first->documentPreview());
    QCOMPARE(slot->workingDirectory, fixture.settings->workingDirectory());

    // The second tab answers; when the first starts asking, the second stops loading.
    askAndWait(*second, QStringLiteral("Taxes?"));
    QCOMPARE(shelf.slot(second->tabID())->answer, second->session().answerText());
    QVERIFY(second->documentPreview().acceptsLoads());
    first->session().setQuestion(QStringLiteral("Who filed late?"));
    first->model().ask();
    QVERIFY(shelf.slot(first->tabID())->isAsking);
    QVERIFY(!second->documentPreview().acceptsLoads());
    QVERIFY(first->documentPreview().acceptsLoads());
    QTRY_VERIFY_WITH_TIMEOUT(!first->session().isBusy(), 10000);
    QVERIFY(!shelf.slot(first->tabID())->isAsking);

    // The second tab's window becomes active: it loads again, the first stops.
    second->windowBecameActive();
    QTRY_VERIFY(second->documentPreview().acceptsLoads());
    QVERIFY(!first->documentPreview().acceptsLoads());

    // A new working directory reaches the slot and the documents page.
    QTemporaryDir other;
    fixture.settings->setWorkingDirectory(other.path());
    QCOMPARE(shelf.slot(first->tabID())->workingDirectory, other.path());

    // Closing leaves the shelf.
    const QUuid closed = second->tabID();
    second->prepareToClose();
    QVERIFY(!shelf.slot(closed));
    second.reset();
    const QUuid last = first->tabID();
    first.reset();
    QVERIFY(!shelf.slot(last));
}

QTEST_MAIN(TestContentViewPreview)
#include "test_contentviewpreview.moc"
