#include "preview/recognizedpagetext.h"
#include "preview/textoccurrences.h"
#include "support/isolatedhome.h"

#include <QtTest>

using namespace tovik;

namespace {

using Glyph = RecognizedPageText::Glyph;

// One glyph per UTF-16 unit of each line; lines run down the page, 0.02 apart.
RecognizedPageText page(const QStringList &lines)
{
    QList<Glyph> glyphs;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        for (qsizetype i = 0; i < lines[l].size(); ++i)
            glyphs.append({lines[l].mid(i, 1), QRectF(0.1 + 0.01 * i, 0.9 - 0.02 * l, 0.01, 0.015), l});
    }
    return RecognizedPageText(glyphs);
}

GlyphIndexSet indexes(qsizetype from, qsizetype to)
{
    GlyphIndexSet set;
    for (qsizetype i = from; i < to; ++i)
        set.insert(i);
    return set;
}

} // namespace

class TestRecognizedPageText : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void glyphAtPrefersTheSmallerGlyph();
    void wordRangeStopsAtPunctuationAndLines_data();
    void wordRangeStopsAtPunctuationAndLines();
    void lineRangeAndOutOfRange();
    void glyphsInNeedsARealOverlap();
    void textBreaksBetweenLines();
    void searchAcrossALineBreak();
    void searchIgnoresCaseAccentsAndWidth();
    void occurrencesEdges_data();
    void occurrencesEdges();
    void verticalCenterFromTheTop();
};

void TestRecognizedPageText::glyphAtPrefersTheSmallerGlyph()
{
    const RecognizedPageText text({{QStringLiteral("A"), QRectF(0.1, 0.1, 0.5, 0.5), 0},
                                   {QStringLiteral("b"), QRectF(0.2, 0.2, 0.01, 0.01), 0},
                                   {QStringLiteral("c"), QRectF(0.8, 0.8, 0.05, 0.05), 1},
                                   {QStringLiteral("d"), QRectF(0.8, 0.8, 0.05, 0.05), 1}});
    QCOMPARE(text.glyphAt(QPointF(0.205, 0.205)), 1);
    QCOMPARE(text.glyphAt(QPointF(0.4, 0.4)), 0);
    // Within the widened margin (0.004 beside, 0.001 above) of the small glyph only.
    QCOMPARE(text.glyphAt(QPointF(0.213, 0.205)), 1);
    QCOMPARE(text.glyphAt(QPointF(0.8 - 0.003, 0.82)), 2); // equal areas: lowest index
    QCOMPARE(text.glyphAt(QPointF(0.8 - 0.005, 0.82)), std::nullopt);
    QCOMPARE(text.glyphAt(QPointF(0.82, 0.85 + 0.0009)), 2);
    QCOMPARE(text.glyphAt(QPointF(0.82, 0.85 + 0.002)), std::nullopt);
    QCOMPARE(RecognizedPageText().glyphAt(QPointF(0.5, 0.5)), std::nullopt);
}

void TestRecognizedPageText::wordRangeStopsAtPunctuationAndLines_data()
{
    // Glyphs of "well-known, 台北市立 $5" on line 0 and "next" on line 1.
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("lower");
    QTest::addColumn<int>("upper");
    QTest::newRow("letter before the hyphen") << 1 << 0 << 4;
    QTest::newRow("hyphen alone") << 4 << 4 << 5;
    QTest::newRow("letter after the hyphen") << 7 << 5 << 10;
    QTest::newRow("comma alone") << 10 << 10 << 11;
    QTest::newRow("space alone") << 11 << 11 << 12;
    QTest::newRow("Chinese run up to the space") << 13 << 12 << 16;
    QTest::newRow("currency symbol alone") << 17 << 17 << 18;
    QTest::newRow("digit after the symbol") << 18 << 18 << 19;
    QTest::newRow("stops at the line change") << 19 << 19 << 23;
    QTest::newRow("out of range") << 99 << 0 << 0;
    QTest::newRow("negative") << -1 << 0 << 0;
}

void TestRecognizedPageText::wordRangeStopsAtPunctuationAndLines()
{
    QFETCH(int, index);
    QFETCH(int, lower);
    QFETCH(int, upper);
    const RecognizedPageText text = page({QStringLiteral("well-known, 台北市立 $5"), QStringLiteral("next")});
    QCOMPARE(text.wordRange(index), (RecognizedPageText::GlyphRange{lower, upper}));
}

void TestRecognizedPageText::lineRangeAndOutOfRange()
{
    const RecognizedPageText text = page({QStringLiteral("ab"), QStringLiteral("cde"), QStringLiteral("f")});
    QCOMPARE(text.lineRange(3), (RecognizedPageText::GlyphRange{2, 5}));
    QCOMPARE(text.lineRange(5), (RecognizedPageText::GlyphRange{5, 6}));
    QCOMPARE(text.lineRange(6), (RecognizedPageText::GlyphRange{0, 0}));
    QVERIFY(text.lineRange(-3).isEmpty());
}

void TestRecognizedPageText::glyphsInNeedsARealOverlap()
{
    const RecognizedPageText text = page({QStringLiteral("abcd")}); // x 0.10-0.14, y 0.9-0.915
    QCOMPARE(text.glyphsIn(QRectF(0.115, 0.905, 0.01, 0.002)), indexes(1, 3));
    // 0.0004 into glyph 2 is not enough; a rectangle drawn backwards still counts.
    QCOMPARE(text.glyphsIn(QRectF(0.1204, 0.91, -0.015, 0.002)), indexes(0, 2));
    QCOMPARE(text.glyphsIn(QRectF(0.105, 0.9146, 0.01, 0.01)), GlyphIndexSet());
    QCOMPARE(text.glyphsIn(QRectF(0, 0, 1, 1)), indexes(0, 4));
}

void TestRecognizedPageText::textBreaksBetweenLines()
{
    const RecognizedPageText text = page({QStringLiteral("ab"), QStringLiteral("cd")});
    QCOMPARE(text.text(GlyphIndexSet{0, 1, 2, 3}), QStringLiteral("ab\ncd"));
    QCOMPARE(text.text(GlyphIndexSet{1, 3, 40, -2}), QStringLiteral("b\nd"));
    QCOMPARE(text.text(GlyphIndexSet{}), QString());
    QCOMPARE(text.text(), QStringLiteral("ab\ncd"));

    const RecognizedPageText::SearchText search = text.searchText();
    QCOMPARE(search.text, QStringLiteral("ab\ncd"));
    QCOMPARE(search.glyphIndexes, (QList<qsizetype>{0, 1, -1, 2, 3}));

    // A glyph of two UTF-16 units (a character beyond the BMP) maps both back to itself.
    const RecognizedPageText wide({{QStringLiteral("𠀋"), QRectF(0.1, 0.9, 0.02, 0.015), 0},
                                   {QStringLiteral("a"), QRectF(0.12, 0.9, 0.01, 0.015), 0},
                                   {QStringLiteral("b"), QRectF(0.1, 0.88, 0.01, 0.015), 1}});
    QCOMPARE(wide.searchText().glyphIndexes, (QList<qsizetype>{0, 0, 1, -1, 2}));
    const QList<RecognizedPageText::SearchHit> hits = wide.search(QStringLiteral("a\nb"));
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits[0].glyphs, (GlyphIndexSet{1, 2}));
}

void TestRecognizedPageText::searchAcrossALineBreak()
{
    const RecognizedPageText text = page({QStringLiteral("hello"), QStringLiteral("world")});
    QVERIFY(text.search(QStringLiteral("hello world")).isEmpty());
    QVERIFY(text.search(QStringLiteral("helloworld")).isEmpty());
    const QList<RecognizedPageText::SearchHit> hits = text.search(QStringLiteral("lo\nwo"));
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits[0].range, (TextRange{3, 5}));
    QCOMPARE(hits[0].glyphs, (GlyphIndexSet{3, 4, 5, 6})); // the line feed is in no glyph set
    QVERIFY(text.search(QStringLiteral("\n")).isEmpty());
    QCOMPARE(text.search(QStringLiteral("O")).size(), 2);
}

void TestRecognizedPageText::searchIgnoresCaseAccentsAndWidth()
{
    // Full-width letters and digits, as scanned East Asian documents often have.
    const RecognizedPageText wide = page({QStringLiteral("發票ＡＢＣ１２３號")});
    const QList<RecognizedPageText::SearchHit> hits = wide.search(QStringLiteral("abc12"));
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits[0].range, (TextRange{2, 5}));
    QCOMPARE(hits[0].glyphs, indexes(2, 7));

    const RecognizedPageText accents = page({QStringLiteral("Café crème")});
    QCOMPARE(accents.search(QStringLiteral("CAFE CREME")).size(), 1);

    // A match may be shorter than the query.
    const RecognizedPageText german = page({QStringLiteral("Straße 5")});
    const auto street = german.search(QStringLiteral("STRASSE"));
    QCOMPARE(street.size(), 1);
    QCOMPARE(street[0].range, (TextRange{0, 6}));
}

void TestRecognizedPageText::occurrencesEdges_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QList<TextRange>>("expected");
    const QList<TextRange> none;
    QTest::newRow("empty query") << "abc" << "" << 3 << none;
    QTest::newRow("empty text") << "" << "a" << 3 << none;
    QTest::newRow("limit below 1") << "abc" << "a" << 0 << none;
    QTest::newRow("query longer than the limit") << "abcdef" << "abc" << 2 << none;
    QTest::newRow("never overlapping") << "aaaaa" << "aa" << 5 << QList<TextRange>{{0, 2}, {2, 2}};
    QTest::newRow("limit cuts a match") << "ab ab ab" << "ab" << 7 << QList<TextRange>{{0, 2}, {3, 2}};
    QTest::newRow("limit beyond the text") << "ab ab" << "AB" << 99 << QList<TextRange>{{0, 2}, {3, 2}};
    QTest::newRow("surrogate pairs") << "x𠀋y𠀋" << "𠀋" << 6 << QList<TextRange>{{1, 2}, {4, 2}};
}

void TestRecognizedPageText::occurrencesEdges()
{
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(int, limit);
    QFETCH(QList<TextRange>, expected);
    QCOMPARE(occurrences(text, query, limit), expected);
}

void TestRecognizedPageText::verticalCenterFromTheTop()
{
    const RecognizedPageText text({{QStringLiteral("a"), QRectF(0.1, 0.7, 0.1, 0.1), 0},
                                   {QStringLiteral("b"), QRectF(0.3, 0.6, 0.1, 0.1), 1},
                                   {QStringLiteral("."), QRectF(0.5, 0.5, 0.0001, 0.0001), 2}});
    QCOMPARE(*text.verticalCenter({0}), 0.25);
    QCOMPARE(*text.verticalCenter({0, 1, 7}), 0.3); // union 0.6-0.8
    QCOMPARE(text.verticalCenter({2}), std::nullopt);
    QCOMPARE(text.verticalCenter({}), std::nullopt);
    QCOMPARE(text.verticalCenter({9}), std::nullopt);
    const RecognizedPageText outside({{QStringLiteral("x"), QRectF(0.1, 1.2, 0.1, 0.3), 0}});
    QCOMPARE(*outside.verticalCenter({0}), 0.0);
}

QTEST_GUILESS_MAIN(TestRecognizedPageText)
#include "test_recognizedpagetext.moc"
