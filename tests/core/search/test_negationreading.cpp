#include "search/negationreading.h"
#include "search/negationwords.h"
#include "searchrecords.h"
#include "support/isolatedhome.h"

#include <QLocale>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

Q_DECLARE_METATYPE(tovik::HistoryQueryIntent)

class TestNegationReading : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::HongKong)); }

    void wordListsHaveTheirSizes();
    void readIntent_data();
    void readIntent();
    void searchTermsFoldAndDropStopWords();
    void onlyTheFirstEightMarkersAreRead();
    void modelPhrasesMergeUnderChecks();
    void containsCueIgnoresCaseWithoutLocale();
    void negatedMentionsAreKept();
    void mentionNegatedOnceAndPlainOnceIsDropped();
    void englishNegationAfterAMentionIsAWholeWord();
    void particlesAndPossessivesAreCut();
};

void TestNegationReading::wordListsHaveTheirSizes()
{
    QCOMPARE(NegationWords::negationMarkers().size(), 39);
    QCOMPARE(NegationWords::assistantCues().size(), 20);
    QCOMPARE(NegationWords::trailingParticles().size(), 14);
    QCOMPARE(NegationWords::alternativeSeparators().size(), 7);
    QCOMPARE(NegationWords::stopWords().size(), 96);
    QCOMPARE(NegationWords::clauseSeparators().size(), 14);
    QVERIFY(NegationWords::negationMarkers().contains(QStringLiteral("didn\u2019t mention")));
}

void TestNegationReading::readIntent_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<HistoryQueryIntent>("expected");

    QTest::newRow("Cantonese name only") << QStringLiteral("冇提過陳大文")
                                         << HistoryQueryIntent{{QStringLiteral("陳大文")}, true, QString()};
    QTest::newRow("English with a topic")
        << QStringLiteral("questions about tax that never mentioned Smith")
        << HistoryQueryIntent{{QStringLiteral("smith")}, true, QStringLiteral("questions about tax that")};
    QTest::newRow("asking about a name") << QStringLiteral("陳大文嘅問題")
                                         << HistoryQueryIntent{{}, false, QStringLiteral("陳大文嘅問題")};
    QTest::newRow("marker then separator")
        << QStringLiteral("沒有。稅務問題") << HistoryQueryIntent{{}, false, QStringLiteral("沒有。稅務問題")};
    QTest::newRow("marker then separator, later clause")
        << QStringLiteral("沒有。冇提過陳大文") << HistoryQueryIntent{{QStringLiteral("陳大文")}, true, QString()};
    QTest::newRow("longest marker at one place")
        << QStringLiteral("沒有提到陳大文") << HistoryQueryIntent{{QStringLiteral("陳大文")}, true, QString()};
    QTest::newRow("possessive noun cut")
        << QStringLiteral("冇提過陳大文嘅問題") << HistoryQueryIntent{{QStringLiteral("陳大文")}, true, QString()};
    QTest::newRow("generic noun alone is kept by the split")
        << QStringLiteral("冇提過問題") << HistoryQueryIntent{{QStringLiteral("問題")}, true, QString()};
    QTest::newRow("alternatives split when no word survives")
        << QStringLiteral("冇提過張三同李四")
        << HistoryQueryIntent{{QStringLiteral("張三"), QStringLiteral("李四")}, true, QString()};
    QTest::newRow("mixed scripts")
        << QStringLiteral("tax questions 冇提過Smith")
        << HistoryQueryIntent{{QStringLiteral("smith")}, true, QStringLiteral("tax questions")};
    QTest::newRow("English folding of the phrase")
        << QStringLiteral("Answers WITHOUT Résumé")
        << HistoryQueryIntent{{QStringLiteral("resume")}, true, QStringLiteral("Answers")};
    QTest::newRow("curly apostrophe marker")
        << QStringLiteral("notes that didn\u2019t mention Zoë")
        << HistoryQueryIntent{{QStringLiteral("zoe")}, true, QStringLiteral("notes that")};
    QTest::newRow("two clauses, one topic")
        << QStringLiteral("稅務問題，冇提過陳大文")
        << HistoryQueryIntent{{QStringLiteral("陳大文")}, true, QStringLiteral("稅務問題，")};
    QTest::newRow("blank") << QStringLiteral(" \n\t ") << HistoryQueryIntent{};
}

void TestNegationReading::readIntent()
{
    QFETCH(QString, sentence);
    QFETCH(HistoryQueryIntent, expected);
    const HistoryQueryIntent intent = NegationReading::readIntent(sentence);
    QCOMPARE(intent.excludedPhrases, expected.excludedPhrases);
    QCOMPARE(intent.wantsAbsence, expected.wantsAbsence);
    QCOMPARE(intent.affirmativeQuery, expected.affirmativeQuery);
}

void TestNegationReading::searchTermsFoldAndDropStopWords()
{
    QCOMPARE(NegationReading::searchTerms(QStringLiteral("The TAX of the tax 2024 — ¥ 稅務 I")),
             (QStringList{QStringLiteral("tax"), QStringLiteral("2024"), QStringLiteral("稅務")}));
    QCOMPARE(NegationReading::searchTerms(QStringLiteral("ＴＡＸ Tax")), QStringList{QStringLiteral("tax")});
    // Stop words of two characters or more, in both languages.
    QVERIFY(NegationReading::searchTerms(QStringLiteral("what is this, please? 可以 之後")).isEmpty());
    QVERIFY(NegationReading::searchTerms(QStringLiteral("a 陳")).isEmpty());
}

void TestNegationReading::onlyTheFirstEightMarkersAreRead()
{
    const QString sentence = QStringLiteral("without alpha, without bravo, without charlie, without delta, without echo, "
                                            "without foxtrot, without golf, without hotel, without india");
    QCOMPARE(NegationReading::markerRanges(sentence).size(), 8);
    const HistoryQueryIntent intent = NegationReading::readIntent(sentence);
    QCOMPARE(intent.excludedPhrases,
             (QStringList{QStringLiteral("alpha"), QStringLiteral("bravo"), QStringLiteral("charlie"), QStringLiteral("delta"),
                          QStringLiteral("echo"), QStringLiteral("foxtrot"), QStringLiteral("golf"), QStringLiteral("hotel")}));
    QVERIFY(intent.wantsAbsence);
    // The ninth marker and its phrase stay in the affirmative text.
    QVERIFY(intent.affirmativeQuery.endsWith(QStringLiteral("without india")));
}

void TestNegationReading::modelPhrasesMergeUnderChecks()
{
    // The model's shorter 大文 replaces the rules' 陳大文.
    const HistoryQueryIntent shorter =
        NegationReading::readIntent(QStringLiteral("冇提過陳大文"), {QStringLiteral("大文")}, true);
    QCOMPARE(shorter, (HistoryQueryIntent{{QStringLiteral("大文")}, true, QString()}));

    // An absence wish of false adds nothing, even with phrases.
    QCOMPARE(NegationReading::readIntent(QStringLiteral("稅務問題 Smith"), {QStringLiteral("Smith")}, false),
             (HistoryQueryIntent{{}, false, QStringLiteral("稅務問題 Smith")}));

    // Phrases not in the sentence, generic nouns and terms of the rules' own
    // affirmative part are all refused; a phrase adds only its terms.
    const HistoryQueryIntent checked = NegationReading::readIntent(
        QStringLiteral("tax questions 冇提過Smith"),
        {QStringLiteral("Jones"), QStringLiteral("問題"), QStringLiteral("tax"), QStringLiteral("x"), QStringLiteral("SMITH")},
        true);
    QCOMPARE(checked, (HistoryQueryIntent{{QStringLiteral("smith")}, true, QStringLiteral("tax questions")}));

    // The model finds what the rules missed (no marker here, only a cue).
    const HistoryQueryIntent found =
        NegationReading::readIntent(QStringLiteral("稅務問題，未提陳大文"), {QStringLiteral("陳大文")}, true);
    QCOMPARE(found.excludedPhrases, QStringList{QStringLiteral("陳大文")});
    QCOMPARE(found.affirmativeQuery, QStringLiteral("稅務問題，未提"));

    // Equal after folding: the first stays.
    const HistoryQueryIntent folded =
        NegationReading::readIntent(QStringLiteral("never mentioned Zoë or ZOE"), {QStringLiteral("ZOE")}, true);
    QCOMPARE(folded.excludedPhrases, QStringList{QStringLiteral("zoe")});
}

void TestNegationReading::containsCueIgnoresCaseWithoutLocale()
{
    QVERIFY(NegationReading::containsCue(QStringLiteral("未提陳大文")));
    QVERIFY(NegationReading::containsCue(QStringLiteral("Tax WITHOUT Smith")));
    QVERIFY(NegationReading::containsCue(QStringLiteral("稅務沒有講")));
    QVERIFY(!NegationReading::containsCue(QStringLiteral("陳大文嘅問題")));
    QVERIFY(!NegationReading::containsCue(QStringLiteral("tax mention")));
}

void TestNegationReading::negatedMentionsAreKept()
{
    const QList<QuestionRecord> records{
        record(3, QStringLiteral("報告有冇講稅務？"), QStringLiteral("報告並無提及陳大文。")),
        record(2, QStringLiteral("陳大文係邊個？"), QStringLiteral("佢係會計師。")),
        record(1, QStringLiteral("稅務期限"), QStringLiteral("四月三十日")),
        record(0, QStringLiteral("邊份文件冇提到過陳大文？"), QStringLiteral("年報。")),
    };
    QCOMPARE(idsOf(NegationReading::exclude(records, {QStringLiteral("陳大文")})), (QList<qint64>{3, 1, 0}));
    QVERIFY(NegationReading::isWhollyNegatedMention(QStringLiteral("報告並無提及陳大文。"), QStringLiteral("陳大文")));
    QVERIFY(!NegationReading::isWhollyNegatedMention(QString(), QStringLiteral("陳大文")));
    QVERIFY(!NegationReading::isWhollyNegatedMention(QStringLiteral("稅務"), QStringLiteral("陳大文")));
    // Negation words after the mention count too.
    QVERIFY(NegationReading::isWhollyNegatedMention(QStringLiteral("陳大文並無出現喺報告"), QStringLiteral("陳大文")));
    QCOMPARE(NegationReading::exclude(records, {}), records);
}

void TestNegationReading::mentionNegatedOnceAndPlainOnceIsDropped()
{
    const QList<QuestionRecord> records{
        record(1, QStringLiteral("陳大文負責邊啲稅務同埋公司嘅年度財務報表審核工作？"), QStringLiteral("報告並無提及陳大文。")),
    };
    QVERIFY(NegationReading::exclude(records, {QStringLiteral("陳大文")}).isEmpty());
    // The same record with only the negated mention stays.
    QCOMPARE(NegationReading::exclude({record(1, QStringLiteral("年度報表"), QStringLiteral("報告並無提及陳大文。"))},
                                      {QStringLiteral("陳大文")}).size(),
             1);
}

void TestNegationReading::englishNegationAfterAMentionIsAWholeWord()
{
    QVERIFY(NegationReading::isWhollyNegatedMention(QStringLiteral("Smith was never mentioned."), QStringLiteral("smith")));
    QVERIFY(NegationReading::isWhollyNegatedMention(QStringLiteral("Smith: NOT MENTIONED"), QStringLiteral("SMITH")));
    QVERIFY(!NegationReading::isWhollyNegatedMention(QStringLiteral("Smith in neverland"), QStringLiteral("smith")));
    QVERIFY(NegationReading::isWhollyNegatedMention(QStringLiteral("It did not mention Smith at all"), QStringLiteral("smith")));
    // Beyond twenty characters after the mention a negation no longer counts.
    QVERIFY(!NegationReading::isWhollyNegatedMention(QStringLiteral("Smith filed the return on time and never"),
                                                     QStringLiteral("smith")));
    const QList<QuestionRecord> records{
        record(2, QStringLiteral("Tax filing"), QStringLiteral("RÉSUMÉ attached")),
        record(1, QStringLiteral("Tax filing"), QStringLiteral("The résumé was never mentioned.")),
    };
    QCOMPARE(idsOf(NegationReading::exclude(records, {QStringLiteral("resume")})), QList<qint64>{1});
}

void TestNegationReading::particlesAndPossessivesAreCut()
{
    QCOMPARE(NegationReading::cutTrailingParticles(QStringLiteral("陳大文嘅事 呢")), QStringLiteral("陳大文"));
    QCOMPARE(NegationReading::cutTrailingParticles(QStringLiteral("嘅")), QStringLiteral("嘅"));
    QCOMPARE(NegationReading::cutTrailingParticles(QStringLiteral("了了")), QStringLiteral("了"));
    QCOMPARE(NegationReading::cutPossessiveSuffix(QStringLiteral("陳大文 的答案")), QStringLiteral("陳大文"));
    // One suffix at most.
    QCOMPARE(NegationReading::cutPossessiveSuffix(QStringLiteral("陳大文嘅問題嘅問題")), QStringLiteral("陳大文嘅問題"));
    QCOMPARE(NegationReading::cutPossessiveSuffix(QStringLiteral("問題")), QStringLiteral("問題"));
}

QTEST_GUILESS_MAIN(TestNegationReading)
#include "test_negationreading.moc"
