#include "fakeembeddingmodel.h"
#include "history/packedtextdictionary.h"
#include "search/foldedrecords.h"
#include "search/historysearchfilter.h"
#include "search/historysemanticsearch.h"
#include "search/negationreading.h"
#include "search/semanticranker.h"
#include "searchrecords.h"
#include "support/isolatedhome.h"

#include <QLocale>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

QList<qint64> filtered(const QList<QuestionRecord> &records, const QString &query, const QList<qint64> &semanticIDs = {})
{
    return idsOf(HistorySearchFilter::filter(records, query, semanticIDs, NegationReading::readIntent(query)));
}

} // namespace

class TestHistorySearchFilter : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::HongKong)); }
    void init();

    // The filter.
    void blankQueryKeepsEveryRecord();
    void oneCharacterMatchesWholeTextOnly();
    void stopWordsOnlyMatchTheWholeSentence();
    void kindsSortLiteralBeforeSemantic();
    void literalMatchBeatsSemanticRank();
    void emptyAnswerMatchesThroughQuestion();
    void absenceOnlyExcludesInStoreOrder();
    void absenceWithTopicSearchesTheRest();
    void foldedTextsFollowTheRecords();
    void answersAreSearchedInEveryFormTheyAreKeptIn();

    // The ranking.
    void chineseAndLatinQueriesPickTheirModelAndThreshold();
    void missingAssetsGiveNoSemanticMatches();
    void failedCreationIsRetried();
    void questionBeforeAnswer();
    void tieBreakAndLimit();
    void queriesWithoutLettersAreNotEmbedded();
    void textsAreCutTo180Characters();
    void tokenVectorsAreAveraged();
    void cacheIsBoundedAndDroppedWithTheModels();
    void cacheOfHugeVectorsIsBoundedInBytes();
    void cancelledRankingReturnsNothing();

    // The queue.
    void matchingIDsRunsOnTheQueueAndAnswersOnTheInterfaceThread();
    void answerIsDroppedWhenTheContextIsGone();

private:
    std::shared_ptr<test::FakeEmbeddingState> m_state;
    SemanticSetup setup() const { return {test::fakeEmbeddingFactory(m_state), 0.142, 0.23, 0}; }
};

void TestHistorySearchFilter::init()
{
    m_state = std::make_shared<test::FakeEmbeddingState>();
}

void TestHistorySearchFilter::blankQueryKeepsEveryRecord()
{
    const QList<QuestionRecord> records{record(2, QStringLiteral("b")), record(1, QStringLiteral("a"))};
    QCOMPARE(HistorySearchFilter::filter(records, QStringLiteral(" \n "), {1}, {}), records);
}

void TestHistorySearchFilter::oneCharacterMatchesWholeTextOnly()
{
    const QList<QuestionRecord> records{
        record(4, QStringLiteral("Other"), QStringLiteral("稅")),
        record(3, QStringLiteral("無關")),
        record(2, QStringLiteral("稅務")),
        record(1, QStringLiteral("Tax"), QStringLiteral("x")),
    };
    QCOMPARE(filtered(records, QStringLiteral("稅")), (QList<qint64>{2, 4}));
    QCOMPARE(filtered(records, QStringLiteral("X")), QList<qint64>{1});
}

void TestHistorySearchFilter::stopWordsOnlyMatchTheWholeSentence()
{
    const QList<QuestionRecord> records{
        record(3, QStringLiteral("What is this invoice?")),
        record(2, QStringLiteral("this is what we do")),
        record(1, QStringLiteral("Unrelated")),
    };
    QCOMPARE(NegationReading::searchTerms(QStringLiteral("what is this")), QStringList());
    QCOMPARE(filtered(records, QStringLiteral("what is this")), QList<qint64>{3});
    QCOMPARE(filtered(records, QStringLiteral("what is this"), {1}), (QList<qint64>{3, 1}));
}

void TestHistorySearchFilter::kindsSortLiteralBeforeSemantic()
{
    const QList<QuestionRecord> records{
        record(7, QStringLiteral("nothing here")),
        record(6, QStringLiteral("income"), QStringLiteral("about tax")),        // kind 3
        record(5, QStringLiteral("tax and income forms")),                       // kind 2
        record(4, QStringLiteral("Question"), QStringLiteral("Income TAX due")), // kind 1
        record(3, QStringLiteral("When is income tax due?")),                    // kind 0
        record(2, QStringLiteral("more income, more tax")),                      // kind 2
        record(1, QStringLiteral("semantic only")),
        record(0, QStringLiteral("semantic too")),
    };
    QCOMPARE(filtered(records, QStringLiteral("income tax"), {0, 1, 99}), (QList<qint64>{3, 4, 5, 2, 6, 0, 1}));
    // An id ranked twice keeps its first rank.
    QCOMPARE(filtered(records, QStringLiteral("income tax"), {1, 0, 1}), (QList<qint64>{3, 4, 5, 2, 6, 1, 0}));

    // What every record matches, in the store's order, is the list itself, not a copy
    // per keystroke of a long history.
    const QList<QuestionRecord> all = HistorySearchFilter::filter(records, QStringLiteral("e"), {},
                                                                  NegationReading::readIntent(QStringLiteral("e")));
    QCOMPARE(idsOf(all), (QList<qint64>{7, 6, 5, 4, 3, 2, 1, 0}));
    QCOMPARE(all.constData(), records.constData());
    const QList<QuestionRecord> some = HistorySearchFilter::filter(records, QStringLiteral("tax"), {},
                                                                   NegationReading::readIntent(QStringLiteral("tax")));
    QVERIFY(some.constData() != records.constData());
}

void TestHistorySearchFilter::literalMatchBeatsSemanticRank()
{
    const QList<QuestionRecord> records{
        record(3, QStringLiteral("semantic neighbour")),
        record(2, QStringLiteral("the tax return")),
        record(1, QStringLiteral("tax return, again")),
    };
    // Record 1 is the best semantic match but also a literal one: its kind decides,
    // and with record 2 it keeps the store's order.
    QCOMPARE(filtered(records, QStringLiteral("tax return"), {1, 3}), (QList<qint64>{2, 1, 3}));
}

void TestHistorySearchFilter::emptyAnswerMatchesThroughQuestion()
{
    const QList<QuestionRecord> records{
        record(2, QStringLiteral("Quarterly VAT filing"), QString()),
        record(1, QStringLiteral("稅"), QStringLiteral("The quarterly VAT filing is due in April.")),
    };
    QCOMPARE(filtered(records, QStringLiteral("VAT filing")), (QList<qint64>{2, 1}));
    QCOMPARE(filtered(records, QStringLiteral("filing quarterly")), (QList<qint64>{2, 1}));
}

void TestHistorySearchFilter::absenceOnlyExcludesInStoreOrder()
{
    const QList<QuestionRecord> records{
        record(3, QStringLiteral("稅務期限")),
        record(2, QStringLiteral("陳大文係邊個？")),
        record(1, QStringLiteral("年報"), QStringLiteral("報告並無提及陳大文。")),
    };
    // Semantic ids play no part when nothing affirmative is left.
    QCOMPARE(filtered(records, QStringLiteral("冇提過陳大文"), {2}), (QList<qint64>{3, 1}));
}

void TestHistorySearchFilter::absenceWithTopicSearchesTheRest()
{
    const QList<QuestionRecord> records{
        record(4, QStringLiteral("Tax questions for Smith")),
        record(3, QStringLiteral("tax questions"), QStringLiteral("nothing about people")),
        record(2, QStringLiteral("holiday plans")),
        record(1, QStringLiteral("Smith's tax questions"), QStringLiteral("Smith was never mentioned? No, he was.")),
    };
    QCOMPARE(filtered(records, QStringLiteral("tax questions without Smith"), {2, 4}), (QList<qint64>{3, 2}));
}

void TestHistorySearchFilter::answersAreSearchedInEveryFormTheyAreKeptIn()
{
    // Long answers as a history keeps them: compressed English, compressed and plain
    // Chinese, a lone surrogate (kept as UTF-16), one with accents (searched through its
    // folded copy). Each holds its word at the end, after many repeats of the rest.
    const QString filler = QStringLiteral("The gauge was read at noon [log.pdf p. 2]. ");
    const QString chineseFiller = QStringLiteral("潮汐計在中午讀數。");
    QString variedChinese;
    for (int i = 0; i < 60; ++i)
        variedChinese += QChar(char16_t(0x4E00 + (i * 7919) % 0x5000));
    const auto made = [&] {
        return QList<QuestionRecord>{
            record(5, QStringLiteral("Fifth"), filler.repeated(30) + QStringLiteral("Ines MARLOW calibrated it.")),
            record(4, QStringLiteral("Fourth"), chineseFiller.repeated(30) + QStringLiteral("陳先生校準")),
            record(3, QStringLiteral("Third"), variedChinese + QStringLiteral("黃小姐")),
            record(2, QStringLiteral("Second"), filler.repeated(4) + QChar(0xD800) + QStringLiteral(" Kowloon pier")),
            record(1, QStringLiteral("First"), filler.repeated(30) + QStringLiteral("Café Zürich.")),
        };
    };
    const auto searched = [&](const QList<QuestionRecord> &records) {
        QCOMPARE(records.at(2).answer.form(), PackedText::Form::utf16);
        QCOMPARE(records.at(3).answer.form(), PackedText::Form::utf16);

        QCOMPARE(filtered(records, QStringLiteral("ines marlow")), QList<qint64>{5});
        QCOMPARE(filtered(records, QStringLiteral("marlow calibrated")), QList<qint64>{5});
        QCOMPARE(filtered(records, QStringLiteral("陳先生")), QList<qint64>{4});
        QCOMPARE(filtered(records, QStringLiteral("黃小姐")), QList<qint64>{3});
        QCOMPARE(filtered(records, QStringLiteral("KOWLOON PIER")), QList<qint64>{2});
        QCOMPARE(filtered(records, QStringLiteral("cafe zurich")), QList<qint64>{1});
        // Terms found apart, across question and answer.
        QCOMPARE(filtered(records, QStringLiteral("fifth marlow")), QList<qint64>{5});
        QCOMPARE(filtered(records, QStringLiteral("noon log")), (QList<qint64>{5, 2, 1}));
        // Excluded phrases are looked for in the same answers.
        QCOMPARE(filtered(records, QStringLiteral("noon without Marlow")), (QList<qint64>{2, 1}));
        QCOMPARE(filtered(records, QStringLiteral("noon without Zürich")), (QList<qint64>{5, 2}));
    };

    if (!PackedTextDictionary::current()) {
        const QList<QuestionRecord> records = made();
        QCOMPARE(records.at(0).answer.form(), PackedText::Form::compressedUtf8);
        QCOMPARE(records.at(1).answer.form(), PackedText::Form::compressedUtf8);
        searched(records);
        if (QTest::currentTestFailed())
            return;
        // As a history keeps them once it has a dictionary; texts in it are read from
        // a copy of it in front of the text, and the buffer is reused across forms.
        PackedTextDictionary::Sample sample;
        for (int i = 0; i < 16; ++i)
            sample.add((filler + chineseFiller).repeated(8).toUtf8());
        QVERIFY(PackedTextDictionary::makeIfNone(sample.bytes()));
        QList<QuestionRecord> mixed = made();
        QCOMPARE(mixed.at(0).answer.form(), PackedText::Form::compressedUtf8WithDictionary);
        QCOMPARE(mixed.at(1).answer.form(), PackedText::Form::compressedUtf8WithDictionary);
        searched(mixed);
        mixed[1] = records.at(1); // packed before the dictionary, between two packed with it
        QCOMPARE(mixed.at(1).answer.form(), PackedText::Form::compressedUtf8);
        searched(mixed);
    } else {
        searched(made());
    }
}

void TestHistorySearchFilter::foldedTextsFollowTheRecords()
{
    // Heap strings, as the store makes them.
    auto heap = [](const char *text) { return QString::fromUtf8(text); };
    QList<QuestionRecord> records{record(2, heap("Résumé for ACME"), heap("Sent in May to 陳先生")),
                                  record(1, heap("Holiday"), heap("Beach café"))};
    FoldedRecords &folded = FoldedRecords::forCurrentLocale();
    folded.use(records);
    QCOMPARE(folded.entry(0).question.text, QStringLiteral("resume for acme"));
    QVERIFY(folded.entry(0).question.positionsKept);
    // A text that folding only lowers is searched as it is, not kept twice.
    QVERIFY(folded.entry(0).answer.lowersAsciiOnly);
    QVERIFY(folded.entry(0).answer.text.isEmpty());
    QVERIFY(folded.entry(0).answer.positionsKept);
    QCOMPARE(folded.entry(0).answer.textOf(records.at(0).answer.toString()), QStringLiteral("sent in may to 陳先生"));
    QCOMPARE(filtered(records, QStringLiteral("MAY TO 陳")), QList<qint64>{2});
    QCOMPARE(filtered(records, QStringLiteral("holiDAY")), QList<qint64>{1});
    QCOMPARE(filtered(records, QStringLiteral("may to 陳太太")), QList<qint64>());
    const QChar *kept = folded.entry(1).answer.text.constData();
    const QChar *resume = folded.entry(0).question.text.constData();
    folded.use(records);
    QCOMPARE(folded.entry(1).answer.text.constData(), kept);

    // A changed list: the changed text is folded anew, the others are taken over.
    QList<QuestionRecord> changed = records;
    changed[1].answer = heap("Ski trip to Zürich");
    changed.prepend(record(3, heap("Straße"), QString()));
    QCOMPARE(filtered(changed, QStringLiteral("ski")), QList<qint64>{1});
    QCOMPARE(folded.entry(1).question.text.constData(), resume);
    QCOMPARE(folded.entry(0).question.text, QStringLiteral("strasse"));
    QVERIFY(!folded.entry(0).question.positionsKept);
    QCOMPARE(folded.entry(2).answer.text, QStringLiteral("ski trip to zurich"));
    QCOMPARE(filtered(records, QStringLiteral("beach")), QList<qint64>{1});
    QCOMPARE(filtered(changed, QStringLiteral("beach")), QList<qint64>());
}

void TestHistorySearchFilter::chineseAndLatinQueriesPickTheirModelAndThreshold()
{
    SemanticRanker ranker(setup());
    const QList<RankingEntry> entries{{1, QStringLiteral("record at 35 degrees"), {}}};
    m_state->setAngleBoth(QStringLiteral("record at 35 degrees"), 35); // distance 1 − cos 35° ≈ 0.181
    m_state->setAngleBoth(QStringLiteral("tax"), 0);
    m_state->setAngleBoth(QStringLiteral("稅務"), 0);
    m_state->setAngleBoth(QStringLiteral("tax 稅"), 0);

    QCOMPARE(ranker.rank(entries, QStringLiteral("tax")), QList<qint64>());        // above 0.142
    QCOMPARE(ranker.rank(entries, QStringLiteral("稅務")), QList<qint64>{1});      // within 0.23
    QCOMPARE(ranker.rank(entries, QStringLiteral("tax 稅")), QList<qint64>{1});    // one ideograph is enough
    QCOMPARE(m_state->embeddedTexts(english).first(), QStringLiteral("tax"));
    QVERIFY(m_state->embeddedTexts(chinese).contains(QStringLiteral("稅務")));
    QVERIFY(!m_state->embeddedTexts(english).contains(QStringLiteral("稅務")));
    QCOMPARE(SemanticRanker::languageFor(QStringLiteral("\uF900")), chinese);
    QCOMPARE(SemanticRanker::languageFor(QStringLiteral("カタカナ and 한국어")), english);
}

void TestHistorySearchFilter::missingAssetsGiveNoSemanticMatches()
{
    m_state->assets[0] = false;
    SemanticRanker ranker(setup());
    m_state->setAngleBoth(QStringLiteral("tax"), 0);
    m_state->setAngleBoth(QStringLiteral("tax return"), 1);
    const QList<RankingEntry> entries{{1, QStringLiteral("tax return"), {}}};
    QCOMPARE(ranker.rank(entries, QStringLiteral("tax")), QList<qint64>());
    QVERIFY(m_state->embeddedTexts(english).isEmpty());
    // The literal match still shows.
    QCOMPARE(filtered({record(1, QStringLiteral("tax return"))}, QStringLiteral("tax"), {}), QList<qint64>{1});
}

void TestHistorySearchFilter::failedCreationIsRetried()
{
    m_state->creatable[0] = false;
    SemanticRanker ranker(setup());
    m_state->setAngleBoth(QStringLiteral("tax"), 0);
    m_state->setAngleBoth(QStringLiteral("tax return"), 1);
    const QList<RankingEntry> entries{{1, QStringLiteral("tax return"), {}}};
    QCOMPARE(ranker.rank(entries, QStringLiteral("tax")), QList<qint64>());
    m_state->creatable[0] = true;
    QCOMPARE(ranker.rank(entries, QStringLiteral("tax")), QList<qint64>{1});
    QCOMPARE(m_state->creationCount(english), 2);
    ranker.rank(entries, QStringLiteral("tax"));
    QCOMPARE(m_state->creationCount(english), 2); // kept once made
}

void TestHistorySearchFilter::questionBeforeAnswer()
{
    SemanticRanker ranker(setup());
    m_state->setAngleBoth(QStringLiteral("tax"), 0);
    m_state->setAngleBoth(QStringLiteral("near question"), 10);
    m_state->setAngleBoth(QStringLiteral("near answer"), 20);
    m_state->setAngleBoth(QStringLiteral("far question"), 80);
    m_state->setAngleBoth(QStringLiteral("nearer answer"), 5);
    m_state->setAngleBoth(QStringLiteral("far answer"), 60);
    m_state->setAngleBoth(QStringLiteral("unused answer"), 0);
    const QList<RankingEntry> entries{
        {1, QStringLiteral("near question"), QStringLiteral("unused answer")},
        {2, QStringLiteral("far question"), QStringLiteral("nearer answer")},
        {3, QStringLiteral("far question"), QStringLiteral("far answer")},
        {4, QStringLiteral("x"), QStringLiteral("near answer")},            // question too short to embed
        {5, QStringLiteral("near question"), QString()},                    // no answer
        {6, QStringLiteral("unknown to the model"), QStringLiteral("far answer")},
    };
    QCOMPARE(ranker.rank(entries, QStringLiteral("tax")), (QList<qint64>{2, 5, 1, 4}));
    const QStringList embedded = m_state->embeddedTexts(english);
    // A near question spares its answer; the cache spares repeats.
    QVERIFY(!embedded.contains(QStringLiteral("unused answer")));
    QCOMPARE(embedded.count(QStringLiteral("near answer")), 1);
    QCOMPARE(embedded.count(QStringLiteral("far question")), 1);
    QVERIFY(!embedded.contains(QStringLiteral("x")));
    QVERIFY(!embedded.contains(QString()));
}

void TestHistorySearchFilter::tieBreakAndLimit()
{
    SemanticRanker ranker(setup());
    m_state->setAngleBoth(QStringLiteral("tax"), 0);
    QList<RankingEntry> entries;
    for (int id = 1; id <= 50; ++id) {
        const QString text = QStringLiteral("record %1").arg(id);
        m_state->setAngleBoth(text, id <= 45 ? 10 : 5);
        entries.append({id, text, {}});
    }
    const QList<qint64> ids = ranker.rank(entries, QStringLiteral("tax"));
    QCOMPARE(ids.size(), 40);
    // The nearest five first, then equal distances with the larger (newer) id first.
    QCOMPARE(ids.mid(0, 7), (QList<qint64>{50, 49, 48, 47, 46, 45, 44}));
    QCOMPARE(ids.last(), 11);
}

void TestHistorySearchFilter::queriesWithoutLettersAreNotEmbedded()
{
    SemanticRanker ranker(setup());
    const QList<RankingEntry> entries{{1, QStringLiteral("2024 return"), {}}};
    QCOMPARE(ranker.rank(entries, QStringLiteral("2024 !")), QList<qint64>());
    QCOMPARE(ranker.rank(entries, QStringLiteral(" a ")), QList<qint64>());
    QVERIFY(m_state->embeddedTexts(english).isEmpty());
}

void TestHistorySearchFilter::textsAreCutTo180Characters()
{
    SemanticRanker ranker(setup());
    const QString longQuestion = QString(170, QLatin1Char('q')) + QStringLiteral(" 陳大文陳大文陳大文陳大文");
    m_state->setAngleBoth(QStringLiteral("稅務"), 0);
    m_state->setAngleBoth(longQuestion.left(180), 1);
    QCOMPARE(ranker.rank({{1, QStringLiteral("  ") + longQuestion, {}}}, QStringLiteral("稅務")), QList<qint64>{1});
    QCOMPARE(m_state->embeddedTexts(chinese).last(), longQuestion.left(180));
    QCOMPARE(SemanticRanker::prepare(QStringLiteral(" ab\n")), QStringLiteral("ab"));
}

void TestHistorySearchFilter::tokenVectorsAreAveraged()
{
    SemanticRanker ranker(setup());
    m_state->setAngleBoth(QStringLiteral("tax"), 45);
    {
        QMutexLocker lock(&m_state->mutex);
        // Two tokens whose mean points at 45°; a shorter third token counts over its length.
        m_state->tokens[0].insert(QStringLiteral("two tokens"), {{1.0, 0.0}, {0.0, 1.0}});
        m_state->tokens[0].insert(QStringLiteral("uneven tokens"), {{2.0, 0.0}, {0.0, 2.0}, {-10.0}});
        m_state->tokens[0].insert(QStringLiteral("no tokens"), {});
    }
    const QList<RankingEntry> entries{
        {1, QStringLiteral("two tokens"), {}},
        {2, QStringLiteral("uneven tokens"), {}},
        {3, QStringLiteral("no tokens"), {}},
    };
    QCOMPARE(ranker.rank(entries, QStringLiteral("tax")), QList<qint64>{1});
}

void TestHistorySearchFilter::cacheIsBoundedAndDroppedWithTheModels()
{
    SemanticRanker ranker(setup());
    m_state->fallback = [](const QString &text) { return QList<double>{1.0, double(text.size() % 7)}; };
    QList<RankingEntry> entries;
    for (int id = 0; id < 900; ++id)
        entries.append({id, QStringLiteral("question number %1").arg(id), {}});
    ranker.rank(entries, QStringLiteral("question"));
    QVERIFY(ranker.cachedVectorCount() <= 801);
    QVERIFY(ranker.cachedVectorCount() > 0);

    // A second search over a small history embeds only what is new.
    SemanticRanker small(setup());
    const QList<RankingEntry> few{{1, QStringLiteral("alpha"), QStringLiteral("beta")}};
    small.rank(few, QStringLiteral("question"));
    const qsizetype before = m_state->embeddedTexts(english).size();
    small.rank(few, QStringLiteral("question"));
    QCOMPARE(m_state->embeddedTexts(english).size(), before);

    SemanticSetup next = setup();
    next.revision = 1;
    small.use(next);
    QCOMPARE(small.cachedVectorCount(), 0);
    small.rank(few, QStringLiteral("question"));
    QVERIFY(m_state->embeddedTexts(english).size() > before);
}

void TestHistorySearchFilter::cacheOfHugeVectorsIsBoundedInBytes()
{
    // 1.6 MB a vector: forty of them are twice the cache's share of memory.
    constexpr qsizetype numbers = 200'000;
    m_state->dimension = int(numbers);
    m_state->fallback = [](const QString &text) { return QList<double>(numbers, double(text.size())); };
    SemanticRanker ranker(setup());
    QList<RankingEntry> entries;
    for (int id = 0; id < 40; ++id)
        entries.append({id, QStringLiteral("question number %1").arg(id), {}});
    ranker.rank(entries, QStringLiteral("question"));
    QVERIFY(ranker.cachedVectorCount() > 0);
    QVERIFY(ranker.cachedVectorCount() * numbers * qsizetype(sizeof(double)) <= SemanticRanker::cacheByteLimit);
}

void TestHistorySearchFilter::cancelledRankingReturnsNothing()
{
    SemanticRanker ranker(setup());
    m_state->fallback = [](const QString &) { return QList<double>{1.0, 0.0}; };
    std::atomic_bool cancelled{true};
    QCOMPARE(ranker.rank({{1, QStringLiteral("tax return"), {}}}, QStringLiteral("tax"), &cancelled), QList<qint64>());
}

void TestHistorySearchFilter::matchingIDsRunsOnTheQueueAndAnswersOnTheInterfaceThread()
{
    HistorySemanticSearch search(setup());
    m_state->setAngleBoth(QStringLiteral("tax"), 0);
    m_state->setAngleBoth(QStringLiteral("tax return"), 3);
    QObject context;
    std::optional<QList<qint64>> result;
    QThread *answeredOn = nullptr;
    search.matchingIDs({record(7, QStringLiteral("tax return"))}, QStringLiteral("tax"), &context,
                       [&](const QList<qint64> &ids) {
                           result = ids;
                           answeredOn = QThread::currentThread();
                       });
    QVERIFY(!result); // never synchronously
    QTRY_VERIFY(result.has_value());
    QCOMPARE(*result, QList<qint64>{7});
    QCOMPARE(answeredOn, QThread::currentThread());
    QCOMPARE(m_state->threadName, QStringLiteral("tovikRAGUI.historySearch"));

    // A new setup applies to later searches.
    auto other = std::make_shared<test::FakeEmbeddingState>();
    search.setSetup({test::fakeEmbeddingFactory(other), 0.142, 0.23, 0});
    result.reset();
    search.matchingIDs({record(7, QStringLiteral("tax return"))}, QStringLiteral("tax"), &context,
                       [&](const QList<qint64> &ids) { result = ids; });
    QTRY_VERIFY(result.has_value());
    QCOMPARE(*result, QList<qint64>());
    QCOMPARE(other->creationCount(english), 1);
}

void TestHistorySearchFilter::answerIsDroppedWhenTheContextIsGone()
{
    HistorySemanticSearch search(setup());
    m_state->delayMs = 50;
    m_state->fallback = [](const QString &) { return QList<double>{1.0, 0.0}; };
    bool called = false;
    auto cancelled = std::make_shared<std::atomic_bool>(false);
    {
        QObject context;
        search.matchingIDs({record(1, QStringLiteral("tax return"))}, QStringLiteral("tax"), &context,
                           [&](const QList<qint64> &) { called = true; });
    }
    QObject alive;
    search.matchingIDs({record(1, QStringLiteral("tax return"))}, QStringLiteral("tax"), &alive,
                       [&](const QList<qint64> &) { called = true; }, cancelled);
    cancelled->store(true);
    search.waitForIdle();
    QTest::qWait(20);
    QVERIFY(!called);
}

QTEST_GUILESS_MAIN(TestHistorySearchFilter)
#include "test_historysearchfilter.moc"
