#include "pdf/pdfpagegeometry.h"
#include "pdf/pdftextlayer.h"
#include "support/isolatedhome.h"

#include <QtTest>

using namespace tovik;

namespace {

// A word of 10-point-wide characters starting at x on the line whose bottom is y.
PdfTextLayer::Word word(const QString &text, qreal x, qreal y, bool spaceAfter, bool endsLine)
{
    PdfTextLayer::Word result{text, {}, spaceAfter, endsLine};
    for (qsizetype i = 0; i < text.size(); ++i)
        result.unitBounds.append(QRectF(x + 10 * i, y, 10, 12));
    return result;
}

} // namespace

class TestPdfTextLayer : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void wordsJoinWithSeparatorsThatHaveNoBox();
    void overlappingBoxesPreferTheSmallest();
    void lineSelectionLeavesOutTheLineFeed();
    void cropBoxTransformMatchesEveryRotation_data();
    void cropBoxTransformMatchesEveryRotation();
};

void TestPdfTextLayer::wordsJoinWithSeparatorsThatHaveNoBox()
{
    const PdfTextLayer layer({word(QStringLiteral("ab"), 0, 100, true, false), word(QStringLiteral("cd"), 30, 100, false, true),
                              word(QStringLiteral("ef"), 0, 80, true, true)});
    // No separator after the last word, even when one is marked.
    QCOMPARE(layer.text(), QStringLiteral("ab cd\nef"));
    QVERIFY(layer.characterBounds(2).isNull());
    QVERIFY(layer.characterBounds(5).isNull());
    QVERIFY(layer.characterBounds(99).isNull());
    QCOMPARE(layer.characterIndexAt(QPointF(25, 105)), -1); // the gap where the space is
    QCOMPARE(layer.characterIndexAt(QPointF(45, 105)), 4);
    QCOMPARE(layer.characterIndexAt(QPointF(5, 85)), 6);
    QCOMPARE(layer.selectionLineBounds({1, 6}), (QList<QRectF>{QRectF(10, 100, 40, 12), QRectF(0, 80, 10, 12)}));
    QVERIFY(PdfTextLayer().selectionBetween(QPointF(), QPointF()) == std::nullopt);
    QCOMPARE(layer.selectionBetween(QPointF(100, 106), QPointF(-5, 79)), (TextRange{4, 3}));
}

void TestPdfTextLayer::overlappingBoxesPreferTheSmallest()
{
    PdfTextLayer::Word big{QStringLiteral("A"), {QRectF(0, 0, 50, 50)}, true, false};
    PdfTextLayer::Word small{QStringLiteral("b"), {QRectF(10, 10, 5, 5)}, false, false};
    const PdfTextLayer layer({big, small});
    QCOMPARE(layer.characterIndexAt(QPointF(12, 12)), 2);
    QCOMPARE(layer.characterIndexAt(QPointF(40, 40)), 0);
}

void TestPdfTextLayer::lineSelectionLeavesOutTheLineFeed()
{
    const PdfTextLayer layer({word(QStringLiteral("one"), 0, 100, true, false), word(QStringLiteral("two"), 40, 100, true, true),
                              word(QStringLiteral("three"), 0, 80, false, true)});
    QCOMPARE(layer.selectionText(*layer.lineSelectionAt(QPointF(5, 105))), QStringLiteral("one two"));
    QCOMPARE(layer.selectionText(*layer.lineSelectionAt(QPointF(35, 105))), QStringLiteral("one two"));
    QCOMPARE(layer.selectionText(*layer.lineSelectionAt(QPointF(45, 85))), QStringLiteral("three"));
}

void TestPdfTextLayer::cropBoxTransformMatchesEveryRotation_data()
{
    QTest::addColumn<int>("rotation");
    QTest::addColumn<QPointF>("lowerLeft");  // where the crop box's lower-left corner is shown
    QTest::addColumn<QPointF>("lowerRight"); // ... and its lower-right corner
    // Crop box 100 × 200 at (10, 20): displayed 100 × 200 or 200 × 100.
    QTest::newRow("0") << 0 << QPointF(0, 0) << QPointF(100, 0);
    QTest::newRow("90") << 90 << QPointF(0, 100) << QPointF(0, 0);
    QTest::newRow("180") << 180 << QPointF(100, 200) << QPointF(0, 200);
    QTest::newRow("270") << 270 << QPointF(200, 0) << QPointF(200, 100);
}

void TestPdfTextLayer::cropBoxTransformMatchesEveryRotation()
{
    QFETCH(int, rotation);
    QFETCH(QPointF, lowerLeft);
    QFETCH(QPointF, lowerRight);
    const PdfPageGeometry geometry{QRectF(10, 20, 100, 200), rotation};
    const QTransform transform = geometry.cropBoxTransform();
    QCOMPARE(transform.map(QPointF(10, 20)), lowerLeft);
    QCOMPARE(transform.map(QPointF(110, 20)), lowerRight);
    QCOMPARE(transform.mapRect(geometry.cropBox), QRectF(QPointF(0, 0), geometry.displayedSize()));
    QCOMPARE(PdfPageGeometry::normalizedRotation(rotation - 720), rotation);
    QCOMPARE(PdfPageGeometry::normalizedRotation(45), 0);
}

QTEST_GUILESS_MAIN(TestPdfTextLayer)
#include "test_pdftextlayer.moc"
