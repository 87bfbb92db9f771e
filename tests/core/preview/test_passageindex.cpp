#include "passagecases.h"
#include "preview/passageindex.h"
#include "preview/passagesentences.h"
#include "preview/passagewordforms.h"
#include "support/isolatedhome.h"

#include <QtTest>

#include <thread>

using namespace tovik;
using namespace tovik::test;

namespace {

QString passageText(const QString &page, const std::optional<PassageMatch> &match)
{
    return match ? page.mid(match->range.location, match->range.length) : QStringLiteral("(none)");
}

// Filler about something else, so that a page has rare and common words.
QString otherSentences(int count)
{
    const QStringList pool = {
        QStringLiteral("The committee met twice during the spring and reviewed the budget."),
        QStringLiteral("Visitors may park in the north lot after six in the evening."),
        QStringLiteral("A new bus route links the station with the hospital."),
        QStringLiteral("The library extended its opening hours on weekends."),
        QStringLiteral("Several schools took part in the regional science fair."),
    };
    QString text;
    for (int i = 0; i < count; ++i)
        text += pool.at(i % pool.size()) + (i % 4 == 3 ? QStringLiteral("\n\n") : QStringLiteral(" "));
    return text;
}

} // namespace

class TestPassageIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void labelledSetMeetsTheQualityFloor();
    void foldingMatchesCaseWidthAndDiacritics_data();
    void foldingMatchesCaseWidthAndDiacritics();
    void rangesMapBackToTheOriginalText();
    void numbersMeetTheirWords_data();
    void numbersMeetTheirWords();
    void wordsMisreadByAScanStillMatch_data();
    void wordsMisreadByAScanStillMatch();
    void chineseMatchesByBigramsAndLoneCharacters();
    void rareWordsOutweighCommonOnes();
    void passageIsItsSentenceNotThePage();
    void paraphraseWithExtraWordsIsFoundOnAShortPage();
    void sentencesEndAtPunctuationBlankLinesAndHeadings();
    void unsupportedClaimsGiveNone_data();
    void unsupportedClaimsGiveNone();
    void badInputsGiveNoneOrABoundedAnswer();
    void copiesAnswerAlikeFromManyThreads();
    void wordFormsShareKeys_data();
    void wordFormsShareKeys();
    void chineseNumbersHaveTheirValues_data();
    void chineseNumbersHaveTheirValues();
};

void TestPassageIndex::labelledSetMeetsTheQualityFloor()
{
    const QList<PassageCase> cases = loadPassageCases(testDataPath() + QStringLiteral("/data/passages"));
    QVERIFY(cases.size() >= 60);
    const PassageSetScore score = scorePassageSet(cases);
    QVERIFY(score.unsupported >= 10);
    for (const QString &failure : score.failures)
        qInfo().noquote() << "miss:" << failure;
    qInfo("precision %.3f, recall %.3f, none on unsupported %.3f, length ratio %.2f", score.precision(),
          score.recall(), score.noneRate(), score.lengthRatio);
    QVERIFY(score.precision() >= 0.9);
    QVERIFY(score.recall() >= 0.8);
    QVERIFY(score.noneRate() >= 0.9);
    // A hit is a passage, not most of the page.
    QVERIFY(score.lengthRatio <= 2.0);
}

void TestPassageIndex::foldingMatchesCaseWidthAndDiacritics_data()
{
    QTest::addColumn<QString>("claim");
    QTest::newRow("case") << QStringLiteral("THE ZURICH BAKERY SELLS RYE BREAD");
    QTest::newRow("diacritics") << QStringLiteral("The Zürich bakery sells rye bread");
    QTest::newRow("width") << QStringLiteral("Ｔｈｅ Ｚｕｒｉｃｈ ｂａｋｅｒｙ sells ｒｙｅ bread");
}

void TestPassageIndex::foldingMatchesCaseWidthAndDiacritics()
{
    QFETCH(QString, claim);
    const QString expected = QStringLiteral("The Zurîch bakery sells rye bread every morning.");
    const QString page = otherSentences(6) + expected + u' ' + otherSentences(6);
    const auto match = PassageIndex(page).bestPassage(claim);
    QCOMPARE(passageText(page, match), expected);
}

void TestPassageIndex::rangesMapBackToTheOriginalText()
{
    // Decomposed accents and characters outside the BMP before and inside the
    // passage shift folded positions against the original ones.
    const QString marks = QStringLiteral("Cafe\u0301 re\u0301sume\u0301 \U0001F600\U0001F600 𠀋𠀋 na\u0308ive. ");
    const QString sentence = QStringLiteral("The pe\u0301tanque club 𠀋 meets every Thursday in Ele\u0301onore park.");
    const QString claim = QStringLiteral("Petanque club meets on Thursdays in Eleonore park");
    const QString page = marks + otherSentences(4) + sentence + u' ' + otherSentences(3);
    const auto match = PassageIndex(page).bestPassage(claim);
    QVERIFY(match);
    QCOMPARE(match->range.location, page.indexOf(sentence));
    QCOMPARE(passageText(page, match), sentence);

    // Inside a sentence too long to widen to, the passage is the matched words alone.
    QString filler;
    for (int i = 0; i < 40; ++i)
        filler += QStringLiteral("word%1 ").arg(i);
    const QString core = QStringLiteral("pe\u0301tanque club 𠀋 meets every Thursday in Ele\u0301onore park");
    const QString longLine = marks + filler + QStringLiteral("the ") + core + u' ' + filler + u'.';
    QCOMPARE(passageText(longLine, PassageIndex(longLine).bestPassage(claim)), core);
}

void TestPassageIndex::numbersMeetTheirWords_data()
{
    QTest::addColumn<QString>("claim");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("decoy"); // the same sentence, but not what the claim says
    QTest::newRow("percent sign to words") << QStringLiteral("Membership grew 11%.")
                                           << QStringLiteral("Membership grew by eleven percent over the year.")
                                           << QStringLiteral("Membership grew by eleven members over the year.");
    QTest::newRow("words to digits") << QStringLiteral("The fleet has twenty-five ferries.")
                                     << QStringLiteral("The fleet now counts 25 ferries.")
                                     << QStringLiteral("The fleet now counts 20 ferries.");
    QTest::newRow("per cent") << QStringLiteral("Fares rose 7 per cent.") << QStringLiteral("Fares rose 7% in June.")
                              << QStringLiteral("Fares rose 7 dollars in June.");
    QTest::newRow("thousands separator") << QStringLiteral("The port handled 41000 containers.")
                                         << QStringLiteral("The port handled 41,000 containers in May.")
                                         << QStringLiteral("The port handled 41 containers in May.");
    QTest::newRow("ordinal") << QStringLiteral("It was the 4th quarterly rise.")
                             << QStringLiteral("This was the fourth quarterly rise in a row.")
                             << QStringLiteral("This was the fifth quarterly rise in a row.");
    QTest::newRow("Chinese percent") << QStringLiteral("電費可節省30%。")
                                     << QStringLiteral("預估每年可節省電費約百分之三十。")
                                     << QStringLiteral("預估每年可節省電費約三十元。");
    QTest::newRow("Chinese year") << QStringLiteral("分店將於2024年開幕。") << QStringLiteral("分店將於二〇二四年開幕。")
                                  << QStringLiteral("分店將於二〇二五年開幕。");
    QTest::newRow("Chinese month") << QStringLiteral("盤點將於3月15日完成。") << QStringLiteral("倉庫盤點將於三月十五日完成。")
                                   << QStringLiteral("倉庫盤點將於五月十五日完成。");
}

void TestPassageIndex::numbersMeetTheirWords()
{
    QFETCH(QString, claim);
    QFETCH(QString, expected);
    QFETCH(QString, decoy);
    // The decoy comes first, so that a tie would pick it.
    const QString page = decoy + QStringLiteral("\n\n") + otherSentences(3) + expected + u' ' + otherSentences(2);
    QCOMPARE(passageText(page, PassageIndex(page).bestPassage(claim)), expected);
}

void TestPassageIndex::wordsMisreadByAScanStillMatch_data()
{
    QTest::addColumn<QString>("claim");
    QTest::addColumn<QString>("expected");
    // Each line's content words are all misread: without the repair nothing matches.
    QTest::newRow("rn for m") << QStringLiteral("The museum moved its mosaic.")
                              << QStringLiteral("The rnuseum rnoved its rnosaic to a new room.");
    QTest::newRow("1 for l") << QStringLiteral("The gallery lent its largest mural.")
                             << QStringLiteral("The ga11ery 1ent its 1argest mura1 abroad.");
    QTest::newRow("dropped letter") << QStringLiteral("The museum displayed its mosaic.")
                                    << QStringLiteral("The musem dispayed its mosac in the foyer.");
    QTest::newRow("extra letters") << QStringLiteral("The museum displayed its mosaic.")
                                   << QStringLiteral("The museeum dispplayed its mosaaic in the foyer.");
    QTest::newRow("hyphen at a line end") << QStringLiteral("The exhibition of mosaics.")
                                          << QStringLiteral("The exhi-\nbition of mosa-\nics opens today.");
}

void TestPassageIndex::wordsMisreadByAScanStillMatch()
{
    QFETCH(QString, claim);
    QFETCH(QString, expected);
    // The other lines share only the function words of the claim.
    const QString page = QStringLiteral("The guide said that the tour starts at the gate.\n") + expected
        + QStringLiteral("\nThe cafe is on the ground floor and the shop is next to it.\n");
    const auto match = PassageIndex(page).bestPassage(claim);
    QCOMPARE(passageText(page, match), expected);
}

void TestPassageIndex::chineseMatchesByBigramsAndLoneCharacters()
{
    const QString page = QStringLiteral("公司今年在台北開設了兩家門市。\n研發部將於六月推出冷泡茶系列，售價維持不變。\n董事會核准新的設備投資。");
    // Reworded: the bigrams 冷泡, 泡茶, 茶系, 系列, 六月 and 推出 carry it.
    const auto match = PassageIndex(page).bestPassage(QStringLiteral("冷泡茶系列預計六月推出"));
    QCOMPARE(passageText(page, match), QStringLiteral("研發部將於六月推出冷泡茶系列，售價維持不變。"));

    // Grammar characters around the same content cost little.
    QCOMPARE(passageText(page, PassageIndex(page).bestPassage(QStringLiteral("這是說研發部也將會在六月就把冷泡茶系列推出了"))),
             QStringLiteral("研發部將於六月推出冷泡茶系列，售價維持不變。"));

    // A Han character standing alone between Latin words is a term of its own.
    const QString menu = QStringLiteral("Menu board: 茶 and cakes served all day.\nOther drinks: 水 and juice at the bar.");
    QCOMPARE(passageText(menu, PassageIndex(menu).bestPassage(QStringLiteral("水"))),
             QStringLiteral("Other drinks: 水 and juice at the bar."));
}

void TestPassageIndex::rareWordsOutweighCommonOnes()
{
    // The first sentence shares more words with the claim, all of them function
    // words; the second fewer, but rare ones.
    const QString page = otherSentences(8)
        + QStringLiteral("It was that one, and it was the one who was at the door with them. ") + otherSentences(8)
        + QStringLiteral("Heron sightings were recorded at Lake Mirren by wardens. ") + otherSentences(8);
    const auto match = PassageIndex(page).bestPassage(
        QStringLiteral("It was at Lake Mirren that the herons were seen, and it was the wardens who saw them."));
    QCOMPARE(passageText(page, match), QStringLiteral("Heron sightings were recorded at Lake Mirren by wardens."));
}

void TestPassageIndex::passageIsItsSentenceNotThePage()
{
    const QString expected = QStringLiteral("Heavy rain closed the coastal road\nbetween Alder Bay and Fenwick for two days.");
    const QString page = otherSentences(20) + QStringLiteral("  \n") + expected + QStringLiteral("\n  ") + otherSentences(20);
    const auto match = PassageIndex(page).bestPassage(QStringLiteral("The coastal road from Alder Bay to Fenwick was closed by rain."));
    QVERIFY(match);
    QVERIFY(match->score > PassageIndex::threshold && match->score <= 1.0);
    QCOMPARE(passageText(page, match), expected);
}

void TestPassageIndex::paraphraseWithExtraWordsIsFoundOnAShortPage()
{
    // Three words of the claim are not on the page; on a page this short they
    // must not outweigh the four that are.
    const QString page = QStringLiteral("Risks\nTyphoons can damage the tea gardens.\nRising electricity prices raise the cost of roasting.");
    const auto match = PassageIndex(page).bestPassage(
        QStringLiteral("Rising electricity prices make roasting more expensive."));
    QCOMPARE(passageText(page, match), QStringLiteral("Rising electricity prices raise the cost of roasting."));
}

void TestPassageIndex::sentencesEndAtPunctuationBlankLinesAndHeadings()
{
    const QString text = QStringLiteral("Heading\nA first sentence that runs on past the end of\nits line. A second one?\n\n"
                                        "A paragraph without a stop at its end, long enough to be a full line\n\n"
                                        "第一句。第二句\nNo break at 3.5 or after a comma,\nlike this.");
    QStringList sentences;
    qsizetype end = 0;
    for (const TextSpan &span : PassageSentences::of(text)) {
        QCOMPARE(span.start, end); // no gaps
        end = span.end;
        sentences.append(text.sliced(span.start, span.length()).trimmed());
    }
    QCOMPARE(end, text.size());
    QCOMPARE(sentences, QStringList({QStringLiteral("Heading"),
                                     QStringLiteral("A first sentence that runs on past the end of\nits line."),
                                     QStringLiteral("A second one?"),
                                     QStringLiteral("A paragraph without a stop at its end, long enough to be a full line"),
                                     QStringLiteral("第一句。"), QStringLiteral("第二句"),
                                     QStringLiteral("No break at 3.5 or after a comma,\nlike this.")}));
}

void TestPassageIndex::unsupportedClaimsGiveNone_data()
{
    QTest::addColumn<QString>("claim");
    QTest::newRow("another topic") << QStringLiteral("Quarterly dividends were raised for all shareholders.");
    QTest::newRow("only function words") << QStringLiteral("It is the one that was in the");
    QTest::newRow("punctuation") << QStringLiteral("—, ; ... !?");
    QTest::newRow("Chinese on another topic") << QStringLiteral("股東會通過發放現金股利。");
    QTest::newRow("one shared name") << QStringLiteral("The Fenwick stadium will host the national final in August.");
}

void TestPassageIndex::unsupportedClaimsGiveNone()
{
    QFETCH(QString, claim);
    const QString page = otherSentences(10) + QStringLiteral("Heavy rain closed the coastal road between Alder Bay and Fenwick.");
    const auto match = PassageIndex(page).bestPassage(claim);
    QVERIFY2(!match, qPrintable(passageText(page, match)));
}

void TestPassageIndex::badInputsGiveNoneOrABoundedAnswer()
{
    const QString sentence = QStringLiteral("Heavy rain closed the coastal road between Alder Bay and Fenwick.");
    QVERIFY(!PassageIndex().bestPassage(sentence));
    QVERIFY(!PassageIndex(QString()).bestPassage(sentence));
    QVERIFY(!PassageIndex(QStringLiteral(" \n\t ")).bestPassage(sentence));

    const QString page = otherSentences(600) + sentence + u' ' + otherSentences(600); // over 10,000 words
    const PassageIndex index(page);
    QVERIFY(!index.bestPassage(QString()));
    QVERIFY(!index.bestPassage(QStringLiteral("   ")));

    // A claim of over 100 KB is read from its end, which here is the sentence.
    QString huge = QStringLiteral("Quarterly dividends were raised for all shareholders. ").repeated(2000);
    QVERIFY(huge.size() > 100 * 1024);
    QCOMPARE(passageText(page, index.bestPassage(huge + sentence)), sentence);
    // ... and its beginning is not read at all.
    QVERIFY(!index.bestPassage(sentence + huge));
    // Only the last words count: many words the page lacks, then the sentence
    // said again and again, read as the sentence alone.
    QString manyWords;
    for (int i = 0; i < 20000; ++i)
        manyWords += QStringLiteral("quux%1 ").arg(i);
    QCOMPARE(passageText(page, index.bestPassage(manyWords + (sentence + u' ').repeated(20))), sentence);
    // A claim cut inside a surrogate pair.
    const QString surrogates = QString(QStringLiteral("𠀋")).repeated(5000);
    QVERIFY(!index.bestPassage(QStringView(surrogates).sliced(1)));
}

void TestPassageIndex::copiesAnswerAlikeFromManyThreads()
{
    const QList<PassageCase> cases = loadPassageCases(testDataPath() + QStringLiteral("/data/passages"));
    QVERIFY(!cases.isEmpty());
    const PassageCase &one = cases.first();
    const PassageIndex index(one.pageText);
    const auto expected = index.bestPassage(one.claim);
    QVERIFY(expected);
    std::vector<std::optional<PassageMatch>> results(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i, copy = index] {
            for (int round = 0; round < 50; ++round)
                results[i] = copy.bestPassage(one.claim);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (const auto &result : results)
        QCOMPARE(result, expected);
}

void TestPassageIndex::wordFormsShareKeys_data()
{
    QTest::addColumn<QString>("one");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("same");
    QTest::newRow("plural") << QStringLiteral("revenues") << QStringLiteral("revenue") << true;
    QTest::newRow("ies") << QStringLiteral("subsidies") << QStringLiteral("subsidy") << true;
    QTest::newRow("es") << QStringLiteral("boxes") << QStringLiteral("box") << true;
    QTest::newRow("e stays") << QStringLiteral("prices") << QStringLiteral("price") << true;
    QTest::newRow("possessive") << QStringLiteral("company's") << QStringLiteral("company") << true;
    QTest::newRow("ss stays") << QStringLiteral("class") << QStringLiteral("clas") << false;
    QTest::newRow("number word") << QStringLiteral("eleven") << QStringLiteral("11") << true;
    QTest::newRow("ordinal") << QStringLiteral("4th") << QStringLiteral("fourth") << true;
    QTest::newRow("other year") << QStringLiteral("2023") << QStringLiteral("2024") << false;
    QTest::newRow("decimal") << QStringLiteral("3.2") << QStringLiteral("32") << false;
    QTest::newRow("other vowel") << QStringLiteral("rise") << QStringLiteral("rose") << false;
    QTest::newRow("us stays") << QStringLiteral("bonus") << QStringLiteral("bonu") << false;
}

void TestPassageIndex::wordFormsShareKeys()
{
    QFETCH(QString, one);
    QFETCH(QString, other);
    QFETCH(bool, same);
    QCOMPARE(PassageWordForms::key(one) == PassageWordForms::key(other), same);
}

void TestPassageIndex::chineseNumbersHaveTheirValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("year digit by digit") << QStringLiteral("二〇二四") << qint64(2024);
    QTest::newRow("ten and one") << QStringLiteral("十一") << qint64(11);
    QTest::newRow("tens") << QStringLiteral("三十") << qint64(30);
    QTest::newRow("ten thousands") << QStringLiteral("一千二百萬") << qint64(12000000);
    QTest::newRow("hundred millions then ten thousands") << QStringLiteral("一億二千萬") << qint64(120000000);
    QTest::newRow("zero inside") << QStringLiteral("三百零五") << qint64(305);
}

void TestPassageIndex::chineseNumbersHaveTheirValues()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(PassageWordForms::chineseNumberValue(text), std::optional<qint64>(value));
}

QTEST_GUILESS_MAIN(TestPassageIndex)
#include "test_passageindex.moc"
