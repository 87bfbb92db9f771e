#include "search/foldtable.h"
#include "search/searchtext.h"
#include "support/isolatedhome.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QTextBoundaryFinder>
#include <QtTest>

using namespace tovik;

namespace {
// `length` pieces picked at random.
QString randomText(QRandomGenerator &random, const QStringList &pieces, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += pieces.at(random.bounded(int(pieces.size())));
    return text;
}
} // namespace

class TestSearchText : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void foldingIgnoresCaseDiacriticsAndWidth_data();
    void foldingIgnoresCaseDiacriticsAndWidth();
    void containmentIgnoresCaseAndDiacriticsButNotWidth();
    void turkishLocaleFoldsDotlessI();
    void findReturnsRangesOfTheOriginalText();
    void occurrencesWalkForward();
    void wordTokensSegmentChineseAndSkipPunctuation();
    void letterAndNumberCategories();
    void charactersAreGraphemeClusters();
    void fastPathsAgreeWithTheirReferences();
    void asciiCasedTextsAreSearchedAsTheyAre();
};

void TestSearchText::foldingIgnoresCaseDiacriticsAndWidth_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("case") << QStringLiteral("Smith TAX") << QStringLiteral("smith tax");
    QTest::newRow("accents") << QStringLiteral("Crème Brûlée") << QStringLiteral("creme brulee");
    QTest::newRow("decomposed accent") << QStringLiteral("cafe\u0301") << QStringLiteral("cafe");
    QTest::newRow("sharp s") << QStringLiteral("Straße") << QStringLiteral("strasse");
    QTest::newRow("full width latin") << QStringLiteral("ＴＡＸ２０２４") << QStringLiteral("tax2024");
    QTest::newRow("half width katakana") << QStringLiteral("ｶﾀｶﾅ") << QStringLiteral("カタカナ");
    QTest::newRow("ideographic space") << QStringLiteral("稅務\u3000問題") << QStringLiteral("稅務 問題");
    QTest::newRow("chinese unchanged") << QStringLiteral("冇提過陳大文") << QStringLiteral("冇提過陳大文");
    QTest::newRow("greek") << QStringLiteral("ΆΣΤΥ") << QStringLiteral("αστυ");
    QTest::newRow("outside the BMP") << QStringLiteral("𠮩𐐀") << QStringLiteral("𠮩𐐨");
}

void TestSearchText::foldingIgnoresCaseDiacriticsAndWidth()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(SearchText::fold(text), folded);
}

void TestSearchText::containmentIgnoresCaseAndDiacriticsButNotWidth()
{
    QVERIFY(SearchText::localizedStandardContains(QStringLiteral("Résumé of the TAX return"), QStringLiteral("resume")));
    QVERIFY(SearchText::localizedStandardContains(QStringLiteral("Résumé of the TAX return"), QStringLiteral("tax RETURN")));
    QVERIFY(SearchText::containsIgnoringCaseAndDiacritics(QStringLiteral("NAÏVE"), QStringLiteral("naive")));
    QVERIFY(!SearchText::localizedStandardContains(QStringLiteral("tax"), QStringLiteral("taxes")));
    QVERIFY(!SearchText::localizedStandardContains(QStringLiteral("tax"), QString()));
    QVERIFY(!SearchText::localizedStandardContains(QString(), QStringLiteral("tax")));
    // Width is folded by fold() only.
    QVERIFY(!SearchText::localizedStandardContains(QStringLiteral("ＴＡＸ"), QStringLiteral("tax")));
    QVERIFY(SearchText::localizedStandardContains(QStringLiteral("ＴＡＸ"), QStringLiteral("ｔａｘ")));
}

void TestSearchText::turkishLocaleFoldsDotlessI()
{
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    QVERIFY(SearchText::localizedStandardContains(QStringLiteral("ISPARTA"), QStringLiteral("ısparta")));
    QVERIFY(!SearchText::localizedStandardContains(QStringLiteral("ISPARTA"), QStringLiteral("isparta")));
    QVERIFY(SearchText::localizedStandardContains(QStringLiteral("İSTANBUL"), QStringLiteral("istanbul")));
    // Without locale, I stays i.
    QVERIFY(SearchText::containsIgnoringCaseAndDiacritics(QStringLiteral("ISPARTA"), QStringLiteral("isparta")));
}

void TestSearchText::findReturnsRangesOfTheOriginalText()
{
    const QString text = QStringLiteral("Ask Cafe\u0301s and STRASSE or Straße");
    const auto cafe = SearchText::find(text, QStringLiteral("cafe"));
    QVERIFY(cafe);
    QCOMPARE(text.mid(cafe->start, cafe->length()), QStringLiteral("Cafe\u0301"));
    const auto upper = SearchText::find(text, QStringLiteral("strasse"));
    QVERIFY(upper);
    QCOMPARE(text.mid(upper->start, upper->length()), QStringLiteral("STRASSE"));
    const auto street = SearchText::find(text, QStringLiteral("strasse"), upper->end);
    QVERIFY(street);
    QCOMPARE(text.mid(street->start, street->length()), QStringLiteral("Straße"));
    QVERIFY(!SearchText::find(text, QStringLiteral("strasse"), street->end));
    // A mark dropped by folding travels with its letter.
    const QString decomposed = QStringLiteral("e\u0301te\u0301");
    const auto whole = SearchText::find(decomposed, QStringLiteral("ete"));
    QVERIFY(whole);
    QCOMPARE(*whole, (TextSpan{0, decomposed.size()}));
}

void TestSearchText::occurrencesWalkForward()
{
    const QList<TextSpan> found = SearchText::occurrences(QStringLiteral("aaaa"), QStringLiteral("aa"));
    QCOMPARE(found, (QList<TextSpan>{{0, 2}, {2, 4}}));
    QVERIFY(SearchText::occurrences(QStringLiteral("abc"), QStringLiteral("x")).isEmpty());
}

void TestSearchText::wordTokensSegmentChineseAndSkipPunctuation()
{
    QCOMPARE(SearchText::wordTokens(QStringLiteral("Tax, returns!  2024")),
             (QStringList{QStringLiteral("Tax"), QStringLiteral("returns"), QStringLiteral("2024")}));
    // ICU's dictionary finds 稅務 and 問題 as words.
    const QStringList chinese = SearchText::wordTokens(QStringLiteral("稅務問題。"));
    QCOMPARE(chinese, (QStringList{QStringLiteral("稅務"), QStringLiteral("問題")}));
    const QStringList mixed = SearchText::wordTokens(QStringLiteral("RAG系統的ingest問題"));
    QVERIFY(mixed.contains(QStringLiteral("RAG")));
    QVERIFY(mixed.contains(QStringLiteral("ingest")));
    QVERIFY(mixed.contains(QStringLiteral("問題")));
    QVERIFY(SearchText::wordTokens(QStringLiteral(" ，。!? ")).isEmpty());
}

void TestSearchText::letterAndNumberCategories()
{
    QVERIFY(SearchText::containsLetter(QStringLiteral("12 陳")));
    QVERIFY(!SearchText::containsLetter(QStringLiteral("12 ３４ ٣")));
    QVERIFY(SearchText::containsLetterOrNumber(QStringLiteral("٣")));
    QVERIFY(SearchText::containsLetterOrNumber(QStringLiteral("Ⅻ")));
    QVERIFY(!SearchText::containsLetterOrNumber(QStringLiteral("—…！")));
}

void TestSearchText::charactersAreGraphemeClusters()
{
    const QString text = QStringLiteral("e\u0301𠮩👍🏽x");
    QCOMPARE(SearchText::characterCount(text), 4);
    QCOMPARE(SearchText::leadingCharacters(text, 2), QStringLiteral("e\u0301𠮩"));
    QCOMPARE(SearchText::leadingCharacters(text, 10), text);
    QCOMPARE(SearchText::stepBackCharacters(text, text.size(), 2), text.size() - 5);
    QCOMPARE(SearchText::stepForwardCharacters(text, 0, 1), 2);
    QCOMPARE(SearchText::stepBackCharacters(text, 2, 10), 0);
    // Long texts take the windowed walk.
    const QString longText = QString(300, QLatin1Char('a')) + QStringLiteral("陳大文") + QString(300, QLatin1Char('b'));
    QCOMPARE(SearchText::stepBackCharacters(longText, 300, 24), 276);
    QCOMPARE(SearchText::stepForwardCharacters(longText, 303, 20), 323);
    QCOMPARE(SearchText::characterCount(QString()), 0);
}

void TestSearchText::fastPathsAgreeWithTheirReferences()
{
    // Random texts over an alphabet with the awkward cases: marks, surrogate
    // pairs, CR LF, jamo, ideographs, the needle's rare and common letters.
    const QStringList pieces{QStringLiteral("e"), QStringLiteral("t"), QStringLiteral("x"), QStringLiteral(" "),
                             QStringLiteral("\u0301"), QStringLiteral("陳"), QStringLiteral("大"), QStringLiteral("𠮩"),
                             QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("\u1100"), QStringLiteral("\u1161"),
                             QStringLiteral("👍"), QStringLiteral("\U0001F3FD"), QStringLiteral("ｶ"), QStringLiteral("\uFF9E")};
    QRandomGenerator random(7);
    auto randomText = [&](int length) { return ::randomText(random, pieces, length); };
    auto referenceCount = [](const QString &text) {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        int count = 0;
        while (finder.toNextBoundary() >= 0)
            ++count;
        return text.isEmpty() ? 0 : count;
    };
    for (int round = 0; round < 2000; ++round) {
        const QString text = randomText(random.bounded(40));
        const QString needle = randomText(1 + random.bounded(3));
        QCOMPARE(SearchText::containsFolded(text, needle), text.contains(needle));
        QCOMPARE(SearchText::characterCount(text), qsizetype(referenceCount(text)));
        if (text.isEmpty())
            continue;
        // Steps land on cluster boundaries and cover the asked number of clusters.
        const qsizetype position = text.size();
        const qsizetype back = SearchText::stepBackCharacters(text, position, 3);
        QCOMPARE(SearchText::characterCount(QStringView(text).sliced(back)), qMin<qsizetype>(3, referenceCount(text)));
        const qsizetype forward = SearchText::stepForwardCharacters(text, 0, 3);
        QCOMPARE(SearchText::characterCount(QStringView(text).first(forward)), qMin<qsizetype>(3, referenceCount(text)));
    }
    // Plain texts take the quick paths.
    QVERIFY(SearchText::containsFolded(QStringLiteral("quarterly vat filing"), QStringLiteral("vat f")));
    QVERIFY(SearchText::containsFolded(QStringLiteral("zz"), QStringLiteral("zz")));
    QVERIFY(!SearchText::containsFolded(QStringLiteral("z"), QStringLiteral("zz")));
}

void TestSearchText::asciiCasedTextsAreSearchedAsTheyAre()
{
    using Mode = FoldTable::Mode;
    QVERIFY(FoldTable::foldsByLoweringAscii(QStringLiteral("Budget GREW 12% [來源: report.pdf p. 3]。\n"),
                                            FoldTable::caseAndDiacritics, false));
    QVERIFY(FoldTable::foldsByLoweringAscii(QString(), FoldTable::caseAndDiacritics, false));
    // Anything folding does beyond lowering ASCII capitals needs the folded copy.
    for (const QString &text : {QStringLiteral("café"), QStringLiteral("Straße"), QStringLiteral("ΑΒΓ"),
                                QStringLiteral("Ａ"), QStringLiteral("e\u0301"), QStringLiteral("👍")})
        QVERIFY2(!FoldTable::foldsByLoweringAscii(text, FoldTable::caseAndDiacritics, false), qPrintable(text));
    QVERIFY(FoldTable::foldsByLoweringAscii(QStringLiteral("ｶ"), FoldTable::caseAndDiacritics, false));
    QVERIFY(!FoldTable::foldsByLoweringAscii(QStringLiteral("ｶ"), Mode::caseDiacriticsAndWidth, false));
    QVERIFY(!FoldTable::foldsByLoweringAscii(QStringLiteral("Istanbul"), FoldTable::caseAndDiacritics, true));
    QVERIFY(FoldTable::foldsByLoweringAscii(QStringLiteral("istanbul"), FoldTable::caseAndDiacritics, true));

    // Searching such a text as it is finds what searching its folded copy finds:
    // random texts of capitals and small letters (the needle's rarest and commonest
    // among them), ideographs, digits and spaces, needles cut from them or not.
    const QStringList alphabet = QStringLiteral("eEtTzZqQ 7陳大€").split(QString(), Qt::SkipEmptyParts);
    QRandomGenerator random(11);
    auto randomText = [&](int length) { return ::randomText(random, alphabet, length); };
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        const QString text = randomText(random.bounded(round % 5 ? 48 : 120));
        QVERIFY(FoldTable::foldsByLoweringAscii(text, FoldTable::caseAndDiacritics, false));
        QString needle = randomText(1 + random.bounded(4));
        if (round % 2 && !text.isEmpty()) {
            const int start = random.bounded(int(text.size()));
            needle = text.mid(start, 1 + random.bounded(int(text.size()) - start));
        }
        const QString foldedNeedle = FoldTable::fold(needle, FoldTable::caseAndDiacritics, false);
        const bool expected =
            SearchText::containsFolded(FoldTable::fold(text, FoldTable::caseAndDiacritics, false), foldedNeedle);
        QCOMPARE(SearchText::containsFoldedInAsciiCased(text, foldedNeedle), expected);
        // The same in UTF-8, as long answers are kept.
        QCOMPARE(SearchText::containsFoldedInAsciiCased(QByteArrayView(text.toUtf8()), foldedNeedle.toUtf8()),
                 expected);
        found += expected;
    }
    QVERIFY(found > 1000 && found < 3900);
    // The anchor letter only as a capital, and a match that ends the text.
    QVERIFY(SearchText::containsFoldedInAsciiCased(QStringLiteral("tax FIZZ"), QStringLiteral("fizz")));
    QVERIFY(!SearchText::containsFoldedInAsciiCased(QStringLiteral("tax FIZ"), QStringLiteral("fizz")));
    QVERIFY(SearchText::containsFoldedInAsciiCased(QByteArrayView("tax FIZZ"), QByteArrayView("fizz")));
    QVERIFY(!SearchText::containsFoldedInAsciiCased(QByteArrayView("tax FIZ"), QByteArrayView("fizz")));
}

QTEST_GUILESS_MAIN(TestSearchText)
#include "test_searchtext.moc"
