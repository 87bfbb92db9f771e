// The search-term rules of rag on their own, compiled from the tool's sources: what a
// question asks for and what a sentence is taken to hold.
#include "searchterms.h"
#include "support/isolatedhome.h"
#include "textlayout.h"

#include <QtTest>

using namespace ragtool;

class TestRagToolTerms : public QObject
{
    Q_OBJECT

public:
    static void initMain() { tovik::test::isolateHome(); }

private Q_SLOTS:
    void chineseRunsBecomeOverlappingPairs();
    void questionWordsAreLeftOut();
    void sentenceHolds_data();
    void sentenceHolds();
    void extractedTextIsNormalized();
};

namespace {

QueryTerm word(const char *text)
{
    return {QueryTerm::Kind::word, QString::fromUtf8(text)};
}

QueryTerm pair(const char *text)
{
    return {QueryTerm::Kind::cjkPair, QString::fromUtf8(text)};
}

} // namespace

void TestRagToolTerms::chineseRunsBecomeOverlappingPairs()
{
    // Every two-character phrase of the text is a term, and so is the run's last character,
    // so a question of one character finds it by prefix.
    QCOMPARE(SearchTerms::indexText(QStringLiteral("陳大文是經理")), QStringLiteral(" 陳大 大文 文是 是經 經理 理 "));
    QCOMPARE(SearchTerms::indexText(QStringLiteral("Qt 框架 v6")), QStringLiteral("Qt  框架 架  v6"));
    QCOMPARE(SearchTerms::matchExpression({{QueryTerm::Kind::cjkSingle, QStringLiteral("茶")}, word("tea")}),
             QStringLiteral("\"茶\"* OR \"tea\""));
}

void TestRagToolTerms::questionWordsAreLeftOut()
{
    QCOMPARE(SearchTerms::questionTerms(QStringLiteral("陳大文的職位是什麼？")),
             (QList<QueryTerm>{pair("陳大"), pair("大文"), pair("職位")}));
    // A question of nothing but question words still searches for something.
    QCOMPARE(SearchTerms::questionTerms(QStringLiteral("什麼")), QList<QueryTerm>{pair("什麼")});
    QCOMPARE(SearchTerms::questionTerms(QStringLiteral("What is the revenue of station 12?")),
             (QList<QueryTerm>{word("revenue"), word("station"), word("12"),
                               {QueryTerm::Kind::nearWords, QStringLiteral("revenue station")},
                               {QueryTerm::Kind::nearWords, QStringLiteral("station 12")}}));
    QCOMPARE(SearchTerms::questionTerms(QStringLiteral("What is it?")),
             (QList<QueryTerm>{word("what"), word("is"), word("it"),
                               {QueryTerm::Kind::nearWords, QStringLiteral("what is")},
                               {QueryTerm::Kind::nearWords, QStringLiteral("is it")}}));
}

void TestRagToolTerms::sentenceHolds_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("holds");
    const int w = int(QueryTerm::Kind::word);
    const int near = int(QueryTerm::Kind::nearWords);
    QTest::newRow("plural") << "Revenues rose." << w << "revenue" << true;
    QTest::newRow("stem") << "Sales grew in growth markets." << w << "growing" << false;
    QTest::newRow("number is not a prefix") << "Station 281 closed." << w << "2" << false;
    QTest::newRow("number exact") << "Station 2 closed." << w << "2" << true;
    QTest::newRow("short word exact") << "The team met." << w << "tea" << false;
    QTest::newRow("different word, same start") << "They reveal it." << w << "revenue" << false;
    QTest::newRow("pair close") << "The pump at the station works." << near << "pump station" << true;
    QTest::newRow("pair far apart") << "The pump works well, says the station." << near << "pump station" << false;
    QTest::newRow("chinese phrase") << "研發部經理陳大文" << int(QueryTerm::Kind::cjkPair) << "大文" << true;
}

void TestRagToolTerms::sentenceHolds()
{
    QFETCH(QString, sentence);
    QFETCH(int, kind);
    QFETCH(QString, term);
    QFETCH(bool, holds);
    QCOMPARE(SearchTerms::sentenceHolds(sentence.toLower(), SearchTerms::words(sentence),
                                        QueryTerm{QueryTerm::Kind(kind), term}),
             holds);
}

void TestRagToolTerms::extractedTextIsNormalized()
{
    // Ligatures and the Kangxi radicals some PDF fonts map ideographs to.
    QCOMPARE(text::normalized(QStringLiteral("ﬁnancial oﬃcer 陳⼤⽂")), QStringLiteral("financial officer 陳大文"));
    // Recognized Chinese comes with spaces between characters; English keeps its spaces.
    QCOMPARE(text::paragraphs(QStringLiteral("陳 大 文 是 經 理 。\nThe  crane\tworks.")),
             QStringList{QStringLiteral("陳大文是經理。 The crane works.")});
    // A short line without closing punctuation before a new start is a heading.
    QCOMPARE(text::paragraphs(QStringLiteral("Revenue and growth\nRevenue rose 18 percent to NT$ 96 million in "
                                             "2023, helped by the web store and by gift boxes.\nIt was a good year.")),
             (QStringList{QStringLiteral("Revenue and growth"),
                          QStringLiteral("Revenue rose 18 percent to NT$ 96 million in 2023, helped by the web "
                                         "store and by gift boxes. It was a good year.")}));
    QCOMPARE(text::sentences(QStringLiteral("Mr. Chen left. 他走了。然後呢？Fine!")),
             (QStringList{QStringLiteral("Mr. Chen left."), QStringLiteral("他走了。"), QStringLiteral("然後呢？"),
                          QStringLiteral("Fine!")}));
}

QTEST_GUILESS_MAIN(TestRagToolTerms)
#include "test_ragtool_terms.moc"
