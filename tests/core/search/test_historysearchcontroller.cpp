#include "fakeembeddingmodel.h"
#include "fakelanguagemodel.h"
#include "search/historyassistant.h"
#include "search/historyfilterqueue.h"
#include "search/historysearchfilter.h"
#include "search/historysearchcontroller.h"
#include "search/historysemanticsearch.h"
#include "searchrecords.h"
#include "support/isolatedhome.h"

#include <QLocale>
#include <QSignalSpy>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;
using Phase = HistorySearchController::AssistantPhase;

namespace {

// The ids a selectionCutRequested signal keeps.
QSet<qint64> keptBy(const QList<QVariant> &signal)
{
    const QList<qint64> ids = signal.first().value<QList<qint64>>();
    return QSet<qint64>(ids.cbegin(), ids.cend());
}

} // namespace

class TestHistorySearchController : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::HongKong)); }
    void init();
    void cleanup();

    void oneCharacterStartsNoSearch();
    void plainSentenceRanksAfterTheDebounce();
    void typingQuicklyAppliesOnlyTheLastGeneration();
    void absenceOnlyWithoutModelRunsNoTask();
    void unavailableModelStillRanksTheAffirmativePart();
    void checkingThenApplied();
    void failedReadingFallsBackToTheRules();
    void readingWithoutAbsenceReturnsToIdle();
    void modelPhraseReranksWhatIsLeft();
    void staleReadingIsDropped();
    void recordsChangeCutsSelectionAndSearchesAgain();
    void cancelSearchStopsTheTask();
    void longHistoryIsFilteredOffTheInterfaceThread();
    void filterThreadLetsGoOfAHistoryThatBecameShort();

private:
    void makeController();

    std::shared_ptr<test::FakeEmbeddingState> m_embeddings;
    test::FakeLanguageModel m_language;
    std::unique_ptr<HistorySemanticSearch> m_search;
    std::unique_ptr<HistoryAssistant> m_assistant;
    std::unique_ptr<HistorySearchController> m_controller;
    QList<QuestionRecord> m_records;
};

void TestHistorySearchController::init()
{
    m_embeddings = std::make_shared<test::FakeEmbeddingState>();
    m_language = test::FakeLanguageModel();
    m_records = mixedHistory();
    makeController();
}

void TestHistorySearchController::cleanup()
{
    m_controller.reset();
    m_search->waitForIdle();
    m_search.reset();
    m_assistant.reset();
}

void TestHistorySearchController::makeController()
{
    m_search = std::make_unique<HistorySemanticSearch>(SemanticSetup{test::fakeEmbeddingFactory(m_embeddings), 0.142, 0.23, 0});
    m_assistant = std::make_unique<HistoryAssistant>(m_language);
    m_controller = std::make_unique<HistorySearchController>(*m_search, *m_assistant);
    m_controller->setDebounceInterval(10);
    m_controller->setRecords(m_records);
}

void TestHistorySearchController::oneCharacterStartsNoSearch()
{
    QSignalSpy changed(m_controller.get(), &HistorySearchController::changed);
    m_controller->setQuery(QStringLiteral("稅"));
    QCOMPARE(changed.size(), 1); // one redraw for the whole change
    QVERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
    QVERIFY(m_controller->assistantCaption().isEmpty());
    QTest::qWait(40);
    QVERIFY(m_embeddings->embeddedTexts(english).isEmpty());
    QVERIFY(m_embeddings->embeddedTexts(chinese).isEmpty());
    QCOMPARE(idsOf(m_controller->visibleRecords()), QList<qint64>{1});
}

void TestHistorySearchController::plainSentenceRanksAfterTheDebounce()
{
    m_embeddings->setAngleBoth(QStringLiteral("beach trip"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 5);
    m_controller->setQuery(QStringLiteral("  beach trip "));
    QVERIFY(m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
    QVERIFY(m_embeddings->embeddedTexts(english).isEmpty()); // still waiting
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->semanticIDs(), QList<qint64>{3});
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
    QVERIFY(m_language.requests.isEmpty());
    QCOMPARE(idsOf(m_controller->visibleRecords()), QList<qint64>{3});
}

void TestHistorySearchController::typingQuicklyAppliesOnlyTheLastGeneration()
{
    m_embeddings->setAngleBoth(QStringLiteral("smith filing"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Filing a return for Smith"), 5);
    m_embeddings->setAngleBoth(QStringLiteral("beach trip"), 90);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 92);
    m_embeddings->delayMs = 15;
    QList<QList<qint64>> seen;
    connect(m_controller.get(), &HistorySearchController::semanticIDsChanged, this,
            [&] { seen.append(m_controller->semanticIDs()); });
    const qint64 generation = m_controller->searchGeneration();

    // Keystrokes inside the debounce: only the last sentence is ever ranked.
    m_controller->setQuery(QStringLiteral("sm"));
    m_controller->setQuery(QStringLiteral("smith"));
    m_controller->setQuery(QStringLiteral("smith filing"));
    QCOMPARE(m_controller->searchGeneration(), generation + 3);
    // Let that ranking start, then type on while it runs.
    QTRY_VERIFY(!m_embeddings->embeddedTexts(english).isEmpty());
    m_controller->setQuery(QStringLiteral("beach trip"));
    QTRY_VERIFY(!m_controller->isSearching());
    m_search->waitForIdle();
    QTest::qWait(20);

    QCOMPARE(m_controller->semanticIDs(), QList<qint64>{3});
    const QStringList asked = m_embeddings->embeddedTexts(english);
    QVERIFY(!asked.contains(QStringLiteral("sm")));
    QVERIFY(!asked.contains(QStringLiteral("smith")));
    // The ranking of "smith filing" (record 2) never showed.
    QCOMPARE(seen, QList<QList<qint64>>{QList<qint64>{3}});
}

void TestHistorySearchController::absenceOnlyWithoutModelRunsNoTask()
{
    m_language.available = false;
    makeController();
    m_embeddings->fallback = [](const QString &) { return QList<double>{1.0, 0.0}; };
    m_controller->setQuery(QStringLiteral("冇提過陳大文"));
    QVERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::unavailable);
    QCOMPARE(m_controller->assistantCaption(), QStringLiteral("Assistant isn't ready. Negation rules were used instead."));
    QTest::qWait(40);
    QVERIFY(m_embeddings->embeddedTexts(chinese).isEmpty());
    QVERIFY(m_language.requests.isEmpty());
    // The filter drops the record about 陳大文 and keeps the one that says he is not mentioned.
    QCOMPARE(idsOf(m_controller->visibleRecords()), (QList<qint64>{4, 3, 2, 1}));
}

void TestHistorySearchController::unavailableModelStillRanksTheAffirmativePart()
{
    m_language.available = false;
    makeController();
    m_embeddings->setAngleBoth(QStringLiteral("return forms"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("Filing a return for Smith"), 5);
    m_embeddings->setAngleBoth(QStringLiteral("Holiday plans"), 60);
    m_controller->setQuery(QStringLiteral("return forms without Smith"));
    QCOMPARE(m_controller->assistantPhase(), Phase::unavailable);
    QVERIFY(m_controller->isSearching());
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::unavailable);
    QCOMPARE(m_embeddings->embeddedTexts(english).first(), QStringLiteral("return forms"));
    // Record 2 is near but mentions Smith; the rules drop it.
    QCOMPARE(m_controller->semanticIDs(), QList<qint64>{2});
    QVERIFY(idsOf(m_controller->visibleRecords()).isEmpty());
}

void TestHistorySearchController::checkingThenApplied()
{
    m_language.mode = test::FakeLanguageModel::Mode::hold;
    m_language.reading = {{QStringLiteral("陳大文")}, true};
    QSignalSpy cuts(m_controller.get(), &HistorySearchController::selectionCutRequested);
    m_controller->setQuery(QStringLiteral("冇提過陳大文 "));
    QVERIFY(m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::checking);
    QCOMPARE(m_controller->assistantCaption(), QStringLiteral("Assistant is checking"));
    QTRY_VERIFY(m_language.isHolding());
    QCOMPARE(m_language.requests.size(), 1);
    QCOMPARE(m_language.requests.first().prompt, QStringLiteral("Search sentence: 冇提過陳大文"));
    QVERIFY(m_language.requests.first().instructions.startsWith(QStringLiteral("The person's locale is ")));
    // Absence only: nothing is ranked.
    QVERIFY(m_embeddings->embeddedTexts(chinese).isEmpty());

    cuts.clear();
    m_language.release();
    QCOMPARE(m_controller->assistantPhase(), Phase::applied);
    QCOMPARE(m_controller->assistantCaption(), QStringLiteral("Assistant excluded the negated wording"));
    QVERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->modelQuery(), QStringLiteral("冇提過陳大文"));
    QCOMPARE(m_controller->modelExclusions(), QStringList{QStringLiteral("陳大文")});
    QVERIFY(m_controller->modelWantsAbsence());
    QCOMPARE(m_controller->semanticIDs(), QList<qint64>());
    QCOMPARE(idsOf(m_controller->visibleRecords()), (QList<qint64>{4, 3, 2, 1}));
    QCOMPARE(cuts.size(), 1);
    QCOMPARE(keptBy(cuts.first()), (QSet<qint64>{4, 3, 2, 1}));
}

void TestHistorySearchController::failedReadingFallsBackToTheRules()
{
    m_language.mode = test::FakeLanguageModel::Mode::fail;
    m_controller->setQuery(QStringLiteral("冇提過陳大文"));
    QCOMPARE(m_controller->assistantPhase(), Phase::checking);
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::failed);
    QCOMPARE(m_controller->assistantCaption(), QStringLiteral("Assistant didn't respond. Negation rules were used instead."));
    QVERIFY(m_controller->modelQuery().isEmpty());
    QCOMPARE(idsOf(m_controller->visibleRecords()), (QList<qint64>{4, 3, 2, 1}));

    // Without an absence wish of the rules, a failed reading just means idle.
    m_controller->setQuery(QStringLiteral("未提陳大文"));
    QCOMPARE(m_controller->assistantPhase(), Phase::checking);
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
}

void TestHistorySearchController::readingWithoutAbsenceReturnsToIdle()
{
    m_language.reading = {{}, false};
    m_embeddings->setAngleBoth(QStringLiteral("未提陳大文"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("陳大文係邊個？"), 10);
    m_controller->setQuery(QStringLiteral("未提陳大文"));
    QCOMPARE(m_controller->assistantPhase(), Phase::checking);
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
    QCOMPARE(m_controller->modelQuery(), QStringLiteral("未提陳大文"));
    QVERIFY(!m_controller->modelWantsAbsence());
    QCOMPARE(m_controller->semanticIDs(), QList<qint64>{5});
}

void TestHistorySearchController::modelPhraseReranksWhatIsLeft()
{
    m_language.reading = {{QStringLiteral("陳大文")}, true};
    m_embeddings->fallback = [](const QString &) { return QList<double>{0.0, 1.0}; };
    m_embeddings->setAngleBoth(QStringLiteral("稅務問題，未提"), 0);
    m_embeddings->setAngleBoth(QStringLiteral("稅務期限"), 5);
    m_embeddings->setAngleBoth(QStringLiteral("年報"), 7);
    m_controller->setQuery(QStringLiteral("稅務問題，未提陳大文"));
    QCOMPARE(m_controller->assistantPhase(), Phase::checking);
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::applied);
    const QStringList asked = m_embeddings->embeddedTexts(chinese);
    QCOMPARE(asked.first(), QStringLiteral("稅務問題，未提陳大文"));
    QVERIFY(asked.contains(QStringLiteral("稅務問題，未提")));
    QCOMPARE(m_controller->semanticIDs(), (QList<qint64>{1, 4}));
    QCOMPARE(m_controller->currentIntent().excludedPhrases, QStringList{QStringLiteral("陳大文")});
    // Record 4 only says 陳大文 is not mentioned, so it stays.
    QCOMPARE(idsOf(m_controller->visibleRecords()), (QList<qint64>{1, 4}));
}

void TestHistorySearchController::staleReadingIsDropped()
{
    m_language.mode = test::FakeLanguageModel::Mode::hold;
    m_language.reading = {{QStringLiteral("陳大文")}, true};
    m_controller->setQuery(QStringLiteral("冇提過陳大文"));
    QTRY_VERIFY(m_language.isHolding());
    m_controller->setQuery(QStringLiteral("holiday"));
    m_language.release();
    QVERIFY(m_controller->modelQuery().isEmpty());
    QVERIFY(m_controller->modelExclusions().isEmpty());
    QTRY_VERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
}

void TestHistorySearchController::recordsChangeCutsSelectionAndSearchesAgain()
{
    m_embeddings->fallback = [](const QString &) { return QList<double>{1.0, 0.0}; };
    m_controller->setQuery(QStringLiteral("Holiday"));
    QTRY_VERIFY(!m_controller->isSearching());
    QSignalSpy cuts(m_controller.get(), &HistorySearchController::selectionCutRequested);
    const qint64 generation = m_controller->searchGeneration();

    QList<QuestionRecord> fewer = m_records;
    fewer.removeAt(0);
    m_controller->setRecords(fewer);
    QCOMPARE(m_controller->searchGeneration(), generation + 1);
    QCOMPARE(m_controller->query(), QStringLiteral("Holiday"));
    QVERIFY(m_controller->isSearching());
    QCOMPARE(keptBy(cuts.first()), (QSet<qint64>{4, 3, 2, 1}));
    QTRY_VERIFY(!m_controller->isSearching());
    // After the search the selection is cut to what is visible.
    QCOMPARE(keptBy(cuts.last()), idSet(m_controller->visibleRecords()));

    // The same ids with new texts start nothing, but the list shows what the texts say now.
    fewer[0].answer = QStringLiteral("changed");
    fewer[1].question = QStringLiteral("Holiday opening hours");
    m_controller->setRecords(fewer);
    QCOMPARE(m_controller->searchGeneration(), generation + 1);
    const QList<QuestionRecord> shown = m_controller->visibleRecords();
    QVERIFY(std::any_of(shown.cbegin(), shown.cend(), [&](const QuestionRecord &record) {
        return record.id == fewer[1].id && record.question == QStringLiteral("Holiday opening hours");
    }));
}

void TestHistorySearchController::cancelSearchStopsTheTask()
{
    m_embeddings->fallback = [](const QString &) { return QList<double>{1.0, 0.0}; };
    m_language.mode = test::FakeLanguageModel::Mode::hold;
    m_controller->setQuery(QStringLiteral("冇提過陳大文"));
    QCOMPARE(m_controller->assistantPhase(), Phase::checking);
    m_controller->cancelSearch();
    QVERIFY(!m_controller->isSearching());
    QCOMPARE(m_controller->assistantPhase(), Phase::idle);
    QTest::qWait(40);
    QVERIFY(m_language.requests.isEmpty());
    QVERIFY(m_embeddings->embeddedTexts(chinese).isEmpty());
}

void TestHistorySearchController::longHistoryIsFilteredOffTheInterfaceThread()
{
    m_controller->setBackgroundFilterFrom(1);
    QSignalSpy cuts(m_controller.get(), &HistorySearchController::selectionCutRequested);
    // Until the filtering ends, the rows stay what they were and the ticks stay as they are.
    m_controller->setQuery(QStringLiteral("H"));
    QVERIFY(m_controller->isFiltering());
    QCOMPARE(m_controller->visibleRecords(), m_records);
    QVERIFY(cuts.isEmpty());
    QTRY_VERIFY(!m_controller->isFiltering());
    const QList<QuestionRecord> holiday = HistorySearchFilter::filter(m_records, QStringLiteral("H"), {}, m_controller->currentIntent());
    QCOMPARE(m_controller->visibleRecords(), holiday);
    QCOMPARE(cuts.size(), 1);
    QCOMPARE(keptBy(cuts.last()), idSet(holiday));

    // A filtering whose query was replaced before its result came back is never shown.
    m_controller->setQuery(QStringLiteral("F"));
    QVERIFY(m_controller->isFiltering());
    HistoryFilterQueue::shared().waitForIdle(); // its result waits in the event queue
    m_controller->setQuery(QStringLiteral("稅"));
    QList<QList<qint64>> shown;
    connect(m_controller.get(), &HistorySearchController::changed, this,
            [&] { shown.append(idsOf(m_controller->visibleRecords())); });
    QTRY_VERIFY(!m_controller->isFiltering());
    QCOMPARE(idsOf(m_controller->visibleRecords()), QList<qint64>{1});
    QVERIFY(!shown.contains(QList<qint64>{2}));

    // Records deleted while a filtering runs are not shown meanwhile.
    QList<QuestionRecord> fewer = m_records;
    fewer.removeIf([](const QuestionRecord &record) { return record.id == 1; });
    m_controller->setQuery(QStringLiteral("稅務"));
    m_controller->setRecords(fewer);
    QVERIFY(m_controller->isFiltering());
    QVERIFY(m_controller->visibleRecords().isEmpty());
    QTRY_VERIFY(!m_controller->isFiltering());
    QVERIFY(m_controller->visibleRecords().isEmpty());
}

void TestHistorySearchController::filterThreadLetsGoOfAHistoryThatBecameShort()
{
    QList<QuestionRecord> own = m_records;
    own.last().answer = own.last().answer.toString() + QStringLiteral(" (own copy)");
    m_controller->setBackgroundFilterFrom(3);
    m_controller->setRecords(own);
    m_controller->setQuery(QStringLiteral("Holiday"));
    QTRY_VERIFY(!m_controller->isSearching() && !m_controller->isFiltering());
    HistoryFilterQueue::shared().waitForIdle();
    QVERIFY(!own.isDetached()); // the filter thread keeps the texts it folded

    // Two records are filtered here: the long list and its folded texts go.
    m_controller->setRecords(m_records.mid(0, 2));
    QTRY_VERIFY(!m_controller->isSearching() && !m_controller->isFiltering());
    HistoryFilterQueue::shared().waitForIdle();
    QCoreApplication::processEvents();
    QVERIFY(own.isDetached());
}

QTEST_GUILESS_MAIN(TestHistorySearchController)
#include "test_historysearchcontroller.moc"
