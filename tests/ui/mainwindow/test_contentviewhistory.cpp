#include "appservices.h"
#include "history/historylistmodel.h"
#include "history/historysearchbox.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "history/savedattext.h"
#include "i18n/interfacelanguage.h"
#include "mainwindow/contentview.h"
#include "mainwindow/textbox.h"
#include "rag/ragsession.h"
#include "support/isolatedhome.h"
#include "support/workflowfixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>
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
    void longHistoryStaysUsableWhileItIsSearched();
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

namespace {

// Writes `count` saved questions straight into a new history file, the newest last.
// Question 1234 is about herons, 2000 has an e-mail address, and every 1000th answer
// mentions the tidal gauge; question 7 runs over several lines of the sidebar.
bool writeLongHistory(const QString &path, int count)
{
    QuestionHistoryStore(path, {}).openIfNeeded();
    sqlite3 *database = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &database) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(database, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt *insert = nullptr;
    ok = ok && sqlite3_prepare_v2(database,
                                  "INSERT INTO question_records (saved_at, question, answer, working_directory) "
                                  "VALUES (?, ?, ?, ?)",
                                  -1, &insert, nullptr) == SQLITE_OK;
    QDateTime moment(QDate(2023, 1, 1), QTime(8, 0), Qt::UTC);
    for (int i = 1; ok && i <= count; ++i) {
        moment = moment.addSecs(60);
        QString question = QStringLiteral("Question %1 about the annual report").arg(i);
        if (i == 1234)
            question = QStringLiteral("Where does the heron colony nest?");
        else if (i == 2000)
            question = QStringLiteral("Who is archive@example.org?");
        else if (i == 7)
            question = QStringLiteral("Question 7 asks about everything at once: ").repeated(6);
        const QString answer = i % 1000 == 0 ? QStringLiteral("Ines Marlow calibrated the tidal gauge.")
                                             : QStringLiteral("The budget grew by 12% [來源: report.pdf p. 3]. ").repeated(4);
        const QByteArray texts[] = {formatSavedAt(moment), question.toUtf8(), answer.toUtf8(), QByteArray("/tmp")};
        for (int column = 0; column < 4; ++column)
            sqlite3_bind_text(insert, column + 1, texts[column].constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(database);
    return ok;
}

QList<qint64> shownIDs(const HistoryListModel &model)
{
    QList<qint64> ids;
    for (const QuestionRecord &record : model.visibleRecords())
        ids.append(record.id);
    return ids;
}

} // namespace

void TestContentViewHistory::longHistoryStaysUsableWhileItIsSearched()
{
    RagSession::resetStatusCheckedThisLaunchForTesting();
    test::WorkflowFixture fixture;
    const QString path = fixture.folder.filePath(QStringLiteral("long.sqlite"));
    const int count = 2500; // long enough to be searched off the interface thread
    QVERIFY(writeLongHistory(path, count));
    QuestionHistoryStore history(path, {});
    AppServices services(*fixture.settings, history);
    auto *prompts = new test::ScriptedPrompts;
    services.makePrompts = [prompts](QWidget *) { return std::unique_ptr<UserPrompts>(prompts); };
    ContentView tab(services);
    tab.resize(900, 700);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    tab.sidebarPicker()->button(2)->click(); // History
    QuestionHistoryList *list = tab.historyList();
    auto *view = list->findChild<QListView *>();
    HistoryListModel &model = *list->model();
    QCOMPARE(model.visibleRecords().size(), count);
    // The view gets the first rows, and more as it is scrolled to its end.
    QCOMPARE(model.rowCount(), HistoryListModel::rowsPerFetch);

    // Rows are as tall as their texts: the long question takes a second line.
    const auto heightOf = [&](qint64 id) { return view->visualRect(model.index(model.rowOf(id))).height(); };
    QTRY_VERIFY((view->scrollToBottom(), heightOf(7) > 0));
    QCOMPARE(model.rowCount(), count);
    QVERIFY2(heightOf(7) > heightOf(8), qPrintable(QStringLiteral("%1 vs %2").arg(heightOf(7)).arg(heightOf(8))));
    QCOMPARE(heightOf(9), heightOf(8));

    // A record far down becomes the current one right after the list changed (a save
    // before loading does that): it is scrolled to the top once its row is laid out.
    view->scrollToTop();
    list->setRecords(history.records().mid(1));
    list->setCurrentID(20);
    const auto placeOf20 = [&] { return view->visualRect(model.index(model.rowOf(20))); };
    QTRY_VERIFY(placeOf20().isValid() && placeOf20().top() == 0);
    list->setRecords(history.records());

    // Select All takes every record, not only the rows the view has so far.
    QAbstractButton *selectAll = nullptr;
    for (auto *button : list->findChildren<QAbstractButton *>()) {
        if (button->text() == QStringLiteral("Select All"))
            selectAll = button;
    }
    QVERIFY(selectAll);
    QTest::mouseClick(selectAll, Qt::LeftButton);
    QCOMPARE(model.selectedIDs().size(), count);
    QCOMPARE(selectAll->text(), QStringLiteral("Deselect All"));
    QTest::mouseClick(selectAll, Qt::LeftButton);
    QVERIFY(model.selectedIDs().isEmpty());

    // While the search runs, the rows stay; then only the heron is left.
    auto *box = list->findChild<HistorySearchBox *>();
    box->field()->setFocus();
    QTest::keyClicks(box->field(), QStringLiteral("heron"));
    QCOMPARE(model.visibleRecords().size(), count);
    QTRY_COMPARE(shownIDs(model), QList<qint64>{1234});
    // Clicked, its answer (kept compressed against the history's dictionary) is shown
    // exactly as it was saved.
    QCOMPARE(history.records().at(count - 1234).answer.form(), PackedText::Form::compressedUtf8WithDictionary);
    const QRect heron = view->visualRect(model.index(0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(heron.left() + heron.width() * 2 / 3, heron.top() + heron.height() / 3));
    QTRY_COMPARE(tab.answerBox()->text(), QStringLiteral("The budget grew by 12% [來源: report.pdf p. 3]. ").repeated(4));
    QCOMPARE(tab.session().question(), QStringLiteral("Where does the heron colony nest?"));
    QTest::mouseClick(selectAll, Qt::LeftButton);
    QCOMPARE(model.selectedIDs(), QSet<qint64>{1234});
    QCOMPARE(selectAll->text(), QStringLiteral("Deselect All"));

    // Cleared, everything is back with the tick kept; one character that only one
    // record holds drops the tick once that search has ended.
    QTest::mouseClick(box->clearButton(), Qt::LeftButton);
    QCOMPARE(model.visibleRecords().size(), count);
    QCOMPARE(model.rowCount(), HistoryListModel::rowsPerFetch);
    QCOMPARE(model.selectedIDs(), QSet<qint64>{1234});
    QCOMPARE(selectAll->text(), QStringLiteral("Select All"));
    QTest::keyClicks(box->field(), QStringLiteral("@"));
    QCOMPARE(model.selectedIDs(), QSet<qint64>{1234});
    QTRY_COMPARE(shownIDs(model), QList<qint64>{2000});
    QVERIFY(model.selectedIDs().isEmpty());

    // The tidal answers (found whatever the case typed), ticked and deleted; the list
    // follows the store.
    box->field()->clear();
    QTest::keyClicks(box->field(), QStringLiteral("ines MARLOW"));
    QTRY_COMPARE(shownIDs(model), (QList<qint64>{2000, 1000}));
    QTest::mouseClick(selectAll, Qt::LeftButton);
    QAbstractButton *remove = nullptr;
    for (auto *button : list->findChildren<QAbstractButton *>()) {
        if (button->text() == QStringLiteral("Delete"))
            remove = button;
    }
    QVERIFY(remove && remove->isEnabled());
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(prompts->lastDeleteCount, 2);
    QCOMPARE(history.records().size(), count - 2);
    QTRY_COMPARE(model.rowCount(), 0);
}

QTEST_MAIN(TestContentViewHistory)
#include "test_contentviewhistory.moc"
