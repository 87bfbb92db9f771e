#include "appservices.h"
#include "contentview.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "rag/ragsession.h"
#include "support/isolatedhome.h"
#include "support/workflowfixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QtTest>

#include <sqlite3.h>

using namespace tovik;

// The History list of a tab and a history file that another program holds.
class TestContentViewHistory : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void visitToHistoryReadsAFileThatWasLockedAtStartUp();
};

void TestContentViewHistory::visitToHistoryReadsAFileThatWasLockedAtStartUp()
{
    RagSession::resetStatusCheckedThisLaunchForTesting();
    test::WorkflowFixture fixture;
    const QString path = fixture.folder.filePath(QStringLiteral("held.sqlite"));
    {
        QuestionHistoryStore earlier(path, {});
        for (const char *question : {"one", "two", "three"})
            QVERIFY(earlier.save(QLatin1String(question), QString(), QString()));
    }
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    QuestionHistoryStore history(path, {});
    AppServices services(*fixture.settings, history);
    services.makePrompts = [](QWidget *) { return std::make_unique<test::ScriptedPrompts>(); };
    ContentView tab(services);
    tab.show();
    QTRY_VERIFY(!history.lastError().isEmpty()); // the first appearance waited out the lock
    QVERIFY(tab.historyList()->records().isEmpty());

    QCOMPARE(sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    tab.sidebarPicker()->button(2)->click(); // History
    QCOMPARE(tab.historyList()->records().size(), 3);
    QVERIFY(history.lastError().isEmpty());
}

QTEST_MAIN(TestContentViewHistory)
#include "test_contentviewhistory.moc"
