#include "core/search/fakeembeddingmodel.h"
#include "core/search/fakelanguagemodel.h"
#include "history/historylistmodel.h"
#include "history/historysearchbinding.h"
#include "history/historysearchbox.h"
#include "history/questionhistorylist.h"
#include "i18n/interfacelanguage.h"
#include "search/historyassistant.h"
#include "search/historysearchcontroller.h"
#include "search/historysemanticsearch.h"
#include "core/search/searchrecords.h"
#include "support/isolatedhome.h"
#include "support/workflowfixture.h"
#include "widgets/emptystatepanel.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace tovik;
using tovik::test::chinese;
using tovik::test::english;
using Phase = HistorySearchController::AssistantPhase;

namespace {

// Rows in the list show their date.
QuestionRecord dated(QuestionRecord r)
{
    r.savedAt = QDateTime(QDate(2024, 4, int(r.id)), QTime(9, 30));
    return r;
}

} // namespace

class TestHistorySearchBox : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::HongKong)); }
    void init();
    void cleanup();

    void oneCharacterShowsNoSpinnerAndNoCaption();
    void plainSentenceRanksAfterTheDebounceWithoutCaption();
    void negationWithoutAssistantSaysSoAtOnceAndKeepsIt();
    void absenceOnlyWithoutAssistantRunsNoTaskAndDropsMentions();
    void checkingShowsInTheSpinnerAndTheEmptyState();
    void typingQuicklyShowsOnlyTheLastResults();
    void selectAllTicksOnlyVisibleRowsAndQueryChangeDropsTheRest();
    void recordsChangeSearchesAgainAndKeepsVisibleTicks();
    void clearButtonEmptiesTheQuery();
    void leavingTheScreenCancelsAndComingBackFinishes();
    void languageChangeRetranslatesTheBox();

private:
    void makeList(bool assistantAvailable);
    // Types as an input method commits text, so Chinese arrives as the user would type it.
    void type(const QString &text);
    QList<qint64> shownIDs() const;
    QString emptyTitle() const;

    std::shared_ptr<test::FakeEmbeddingState> m_embeddings;
    test::FakeLanguageModel m_language;
    test::ScriptedPrompts m_prompts;
    std::unique_ptr<HistorySemanticSearch> m_search;
    std::unique_ptr<HistoryAssistant> m_assistant;
    std::unique_ptr<QuestionHistoryList> m_list;
    HistorySearchBinding *m_binding = nullptr;
    HistorySearchBox *m_box = nullptr;
    QList<QuestionRecord> m_records;
};

void TestHistorySearchBox::init()
{
    m_records.clear();
    for (const QuestionRecord &r : test::mixedHistory())
        m_records.append(dated(r));
    makeList(true);
}

void TestHistorySearchBox::makeList(bool assistantAvailable)
{
    m_list.reset();
    if (m_search)
        m_search->waitForIdle();
    m_embeddings = std::make_shared<test::FakeEmbeddingState>();
    m_language = test::FakeLanguageModel();
    m_language.available = assistantAvailable;
    m_search = std::make_unique<HistorySemanticSearch>(SemanticSetup{test::fakeEmbeddingFactory(m_embeddings), 0.142, 0.23, 0});
    m_assistant = std::make_unique<HistoryAssistant>(m_language);
    m_list = std::make_unique<QuestionHistoryList>(m_prompts);
    m_list->resize(320, 600);
    m_list->setRecords(m_records);
    auto *controller = new HistorySearchController(*m_search, *m_assistant);
    controller->setDebounceInterval(20);
    m_binding = new HistorySearchBinding(*m_list, controller);
    m_box = m_binding->searchBox();
    m_list->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
}

void TestHistorySearchBox::cleanup()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    m_list.reset();
    m_search->waitForIdle();
    m_search.reset();
    m_assistant.reset();
}

void TestHistorySearchBox::type(const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(m_box->field(), &event);
}

QList<qint64> TestHistorySearchBox::shownIDs() const
{
    QList<qint64> ids;
    for (const QuestionRecord &r : m_list->model()->visibleRecords())
        ids.append(r.id);
    return ids;
}

QString TestHistorySearchBox::emptyTitle() const
{
    const auto panels = m_list->findChildren<EmptyStatePanel *>();
    for (EmptyStatePanel *panel : panels) {
        if (panel != m_list->emptyPanel() && panel->isVisible())
            return panel->shownTitle();
    }
    return {};
}

void TestHistorySearchBox::oneCharacterShowsNoSpinnerAndNoCaption()
{
    type(QStringLiteral("稅"));
    QCOMPARE(m_binding->controller().query(), QStringLiteral("稅"));
    QVERIFY(m_box->spinner()->isHidden());
    QVERIFY(m_box->caption()->isHidden());
    QTest::qWait(60);
    QVERIFY(m_box->spinner()->isHidden());
    QVERIFY(m_embeddings->embeddedTexts(chinese).isEmpty());
    // A literal match on the one character, nothing ranked.
    QCOMPARE(shownIDs(), QList<qint64>{1});
    QVERIFY(m_list->listView()->isVisible());
}

void TestHistorySearchBox::plainSentenceRanksAfterTheDebounceWithoutCaption()
{
    m_embeddings->setAngleBoth(QStringLiteral("beach trip"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 5);
    QTest::keyClicks(m_box->field(), QStringLiteral("beach trip"));
    QVERIFY(m_box->spinner()->isVisible());
    QCOMPARE(m_box->spinner()->accessibleName(), QStringLiteral("Searching"));
    QVERIFY(m_box->caption()->isHidden());
    // Nothing matches literally yet: the empty state says a search is running.
    QVERIFY(shownIDs().isEmpty());
    QCOMPARE(emptyTitle(), QStringLiteral("Searching"));
    QVERIFY(m_embeddings->embeddedTexts(english).isEmpty());

    QTRY_VERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), QList<qint64>{3});
    QVERIFY(m_box->caption()->isHidden());
    QVERIFY(m_language.requests.isEmpty());
}

void TestHistorySearchBox::negationWithoutAssistantSaysSoAtOnceAndKeepsIt()
{
    makeList(false);
    const QString unavailable = QStringLiteral("Assistant isn't ready. Negation rules were used instead.");
    m_embeddings->setAngleBoth(QStringLiteral("return forms"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Filing a return for Smith"), 5);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 60);
    type(QStringLiteral("return forms without Smith"));
    QVERIFY(m_box->caption()->isVisible());
    QCOMPARE(m_box->caption()->text(), unavailable);
    QVERIFY(m_box->spinner()->isVisible());
    QCOMPARE(m_box->spinner()->accessibleName(), QStringLiteral("Searching"));

    QTRY_VERIFY(m_box->spinner()->isHidden());
    // The affirmative part was ranked; the only near record mentions Smith and is dropped.
    QCOMPARE(m_embeddings->embeddedTexts(english).first(), QStringLiteral("return forms"));
    QCOMPARE(m_box->caption()->text(), unavailable);
    QVERIFY(m_box->caption()->isVisible());
    QVERIFY(shownIDs().isEmpty());
    QCOMPARE(emptyTitle(), QStringLiteral("No matching questions"));
}

void TestHistorySearchBox::absenceOnlyWithoutAssistantRunsNoTaskAndDropsMentions()
{
    makeList(false);
    m_embeddings->fallback = [](const QString &) { return QList<double>{1.0, 0.0}; };
    type(QStringLiteral("冇提過陳大文"));
    QVERIFY(m_box->spinner()->isHidden());
    QCOMPARE(m_box->caption()->text(), QStringLiteral("Assistant isn't ready. Negation rules were used instead."));
    // Record 5 mentions him; record 4 only says he is not mentioned.
    QCOMPARE(shownIDs(), (QList<qint64>{4, 3, 2, 1}));
    QTest::qWait(60);
    QVERIFY(m_box->spinner()->isHidden());
    QVERIFY(m_embeddings->embeddedTexts(chinese).isEmpty());
    QVERIFY(m_language.requests.isEmpty());
}

void TestHistorySearchBox::checkingShowsInTheSpinnerAndTheEmptyState()
{
    m_language.mode = test::FakeLanguageModel::Mode::hold;
    m_language.reading = {{QStringLiteral("Smith")}, true};
    type(QStringLiteral("tax deadline without Smith"));
    QCOMPARE(m_box->caption()->text(), QStringLiteral("Assistant is checking"));
    QVERIFY(m_box->spinner()->isVisible());
    QCOMPARE(m_box->spinner()->accessibleName(), QStringLiteral("Assistant is checking"));
    // Nothing matches the words: while the assistant reads the sentence, the empty state says so.
    QVERIFY(shownIDs().isEmpty());
    QCOMPARE(emptyTitle(), QStringLiteral("Assistant is checking"));
    QTRY_VERIFY(m_language.isHolding());
    QCOMPARE(emptyTitle(), QStringLiteral("Assistant is checking"));

    m_language.release();
    QVERIFY(m_box->spinner()->isHidden());
    QCOMPARE(m_box->caption()->text(), QStringLiteral("Assistant excluded the negated wording"));
    QCOMPARE(m_box->spinner()->accessibleName(), QStringLiteral("Searching"));
    QCOMPARE(emptyTitle(), QStringLiteral("No matching questions"));
}

void TestHistorySearchBox::typingQuicklyShowsOnlyTheLastResults()
{
    m_embeddings->setAngleBoth(QStringLiteral("paperwork"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Filing a return for Smith"), 5);
    m_embeddings->setAngleBoth(QStringLiteral("vacation"), 90);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 92);
    m_embeddings->fallback = [](const QString &) { return QList<double>{-1.0, 0.0}; };
    m_embeddings->delayMs = 15;
    QList<QList<qint64>> shown;
    connect(m_list->model(), &QAbstractItemModel::modelReset, this, [&] { shown.append(shownIDs()); });

    QTest::keyClicks(m_box->field(), QStringLiteral("paperwork"));
    // Only the whole word is ever ranked, and while it is, the user clears and types on.
    QTRY_VERIFY(m_embeddings->embeddedTexts(english).contains(QStringLiteral("paperwork")));
    QTest::mouseClick(m_box->clearButton(), Qt::LeftButton);
    QTest::keyClicks(m_box->field(), QStringLiteral("vacation"));
    QTRY_VERIFY(m_box->spinner()->isHidden());
    m_search->waitForIdle();
    QTest::qWait(40);

    QCOMPARE(shownIDs(), QList<qint64>{3});
    const QStringList asked = m_embeddings->embeddedTexts(english);
    QVERIFY(!asked.contains(QStringLiteral("pap")));
    QVERIFY(!asked.contains(QStringLiteral("vac")));
    for (const QList<qint64> &ids : std::as_const(shown))
        QVERIFY2(ids != QList<qint64>{2}, "the ranking of an earlier sentence was shown");
}

void TestHistorySearchBox::selectAllTicksOnlyVisibleRowsAndQueryChangeDropsTheRest()
{
    type(QStringLiteral("beach"));
    QTRY_VERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), QList<qint64>{3});
    QCOMPARE(m_list->selectAllButton()->text(), QStringLiteral("Select All"));
    QTest::mouseClick(m_list->selectAllButton(), Qt::LeftButton);
    QCOMPARE(m_list->model()->selectedIDs(), QSet<qint64>{3});
    QCOMPARE(m_list->selectedCountLabel()->text(), QStringLiteral("1 selected"));
    QCOMPARE(m_list->selectAllButton()->text(), QStringLiteral("Deselect All"));

    // Another sentence: record 3 goes out of sight and loses its tick at once.
    m_binding->controller().setQuery(QString());
    QCOMPARE(m_list->model()->selectedIDs(), QSet<qint64>{3});
    type(QStringLiteral("Smith"));
    QCOMPARE(m_list->model()->selectedIDs(), QSet<qint64>());
    QTRY_VERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), QList<qint64>{2});
    QVERIFY(m_list->selectedCountLabel()->isHidden());
    QVERIFY(!m_list->deleteButton()->isEnabled());
}

void TestHistorySearchBox::recordsChangeSearchesAgainAndKeepsVisibleTicks()
{
    m_embeddings->setAngleBoth(QStringLiteral("vacation"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 3);
    m_embeddings->fallback = [](const QString &) { return QList<double>{-1.0, 0.0}; };
    type(QStringLiteral("vacation"));
    QTRY_VERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), QList<qint64>{3}); // a semantic match only
    m_list->toggleSelectAll();
    QCOMPARE(m_list->model()->selectedIDs(), QSet<qint64>{3});

    // A new record is saved: the same sentence is searched again over the new records.
    QList<QuestionRecord> more = m_records;
    more.prepend(dated(test::record(6, QStringLiteral("Vacation days left"), QStringLiteral("Twelve"))));
    m_list->setRecords(more);
    QVERIFY(m_box->spinner()->isVisible());
    QTRY_VERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), (QList<qint64>{6, 3}));
    QCOMPARE(m_list->model()->selectedIDs(), QSet<qint64>{3});

    // The ticked record is deleted: its tick goes with it.
    more.removeAt(3);
    m_list->setRecords(more);
    QCOMPARE(m_list->model()->selectedIDs(), QSet<qint64>());
    QTRY_VERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), QList<qint64>{6});
}

void TestHistorySearchBox::clearButtonEmptiesTheQuery()
{
    QVERIFY(m_box->clearButton()->isHidden());
    QCOMPARE(m_box->field()->placeholderText(), QStringLiteral("Search questions and answers in plain language"));
    QCOMPARE(m_box->field()->accessibleName(), QStringLiteral("Search history"));
    QCOMPARE(m_box->clearButton()->accessibleName(), QStringLiteral("Clear search"));
    QVERIFY(m_box->toolTip().contains(QStringLiteral("冇提過陳大文")));

    type(QStringLiteral("Holiday"));
    QVERIFY(m_box->clearButton()->isVisible());
    QTest::mouseClick(m_box->clearButton(), Qt::LeftButton);
    QVERIFY(m_box->field()->text().isEmpty());
    QVERIFY(m_binding->controller().query().isEmpty());
    QVERIFY(m_box->clearButton()->isHidden());
    QVERIFY(m_box->spinner()->isHidden());
    QCOMPARE(shownIDs(), (QList<qint64>{5, 4, 3, 2, 1}));
}

void TestHistorySearchBox::leavingTheScreenCancelsAndComingBackFinishes()
{
    m_embeddings->setAngleBoth(QStringLiteral("vacation"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 3);
    m_embeddings->fallback = [](const QString &) { return QList<double>{-1.0, 0.0}; };
    type(QStringLiteral("vacation"));
    QVERIFY(m_binding->controller().isSearching());
    m_list->hide();
    QVERIFY(!m_binding->controller().isSearching());
    QTest::qWait(60);
    QVERIFY(m_embeddings->embeddedTexts(english).isEmpty());

    // Back on screen, the same sentence is searched to the end.
    m_list->show();
    QCOMPARE(m_box->field()->text(), QStringLiteral("vacation"));
    QTRY_VERIFY(!m_binding->controller().isSearching());
    QCOMPARE(shownIDs(), QList<qint64>{3});
}

void TestHistorySearchBox::languageChangeRetranslatesTheBox()
{
    makeList(false);
    type(QStringLiteral("冇提過陳大文"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    const QString english = QStringLiteral("Assistant isn't ready. Negation rules were used instead.");
    QVERIFY(!m_box->caption()->text().isEmpty());
    QVERIFY(m_box->caption()->text() != english);
    QVERIFY(m_box->field()->placeholderText() != QStringLiteral("Search questions and answers in plain language"));
    QVERIFY(m_box->field()->accessibleName() != QStringLiteral("Search history"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QCOMPARE(m_box->caption()->text(), english);
}

QTEST_MAIN(TestHistorySearchBox)
#include "test_historysearchbox.moc"
