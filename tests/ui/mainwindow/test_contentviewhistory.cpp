#include "appservices.h"
#include "history/historylistmodel.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "history/savedattext.h"
#include "i18n/interfacelanguage.h"
#include "mainwindow/contentview.h"
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
    void unreadableSavedTimeShowsAsUnknown();
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

void TestContentViewHistory::unreadableSavedTimeShowsAsUnknown()
{
    HistoryListModel model;
    const QDateTime readable(QDate(2024, 3, 5), QTime(9, 7, 2), Qt::UTC);
    model.setVisibleRecords({{1, parseSavedAt("yesterday"), QStringLiteral("odd"), {}, {}},
                             {2, readable, QStringLiteral("fine"), {}, {}}});
    const auto stampOf = [&model](int row) { return model.data(model.index(row), HistoryListModel::StampRole).toString(); };

    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QCOMPARE(stampOf(0), QStringLiteral("Unknown date"));
    QCOMPARE(model.data(model.index(0), Qt::AccessibleTextRole).toString(), QStringLiteral("Unknown date, odd"));
    QVERIFY(stampOf(1).contains(QStringLiteral("2024")));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(stampOf(0), QStringLiteral("日期不明"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

QTEST_MAIN(TestContentViewHistory)
#include "test_contentviewhistory.moc"
