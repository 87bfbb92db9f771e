#include "pdfbuilder.h"
#include "picturescan/pagepicturedocument.h"
#include "picturescan/rectangledetector.h"
#include "picturescan/scannedpagepictures.h"
#include "scanfixture.h"
#include "support/isolatedhome.h"

#include <QPainter>
#include <QtTest>

using namespace tovik;
using test::PdfBuilder;

namespace {

// Every side of `actual` lies outside `inner` (it contains it) by at most `slack`.
bool closelyContains(const QRectF &actual, const QRectF &inner, double slack)
{
    return actual.contains(inner) && inner.left() - actual.left() <= slack && actual.right() - inner.right() <= slack
        && inner.top() - actual.top() <= slack && actual.bottom() - inner.bottom() <= slack;
}

QString describe(const QList<PagePicture> &pictures)
{
    QString text;
    QDebug(&text) << pictures.size();
    for (const PagePicture &picture : pictures)
        QDebug(&text) << picture.bounds << picture.pixelsPerPoint;
    return text;
}

QList<PagePicture> picturesOf(PdfBuilder &builder)
{
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(builder.bytes());
    return document ? document->pictures(0) : QList<PagePicture>{};
}

QImage whitePage(int width = 1000, int height = 1000)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Fills normalized columns [fromColumn, toColumn) over pixel rows [firstRow, endRow).
void ink(QImage &image, int fromColumn, int toColumn, int firstRow, int endRow)
{
    QPainter painter(&image);
    painter.fillRect(QRect(fromColumn * image.width() / 100, firstRow, (toColumn - fromColumn) * image.width() / 100,
                           endRow - firstRow),
                     Qt::black);
}

} // namespace

class TestScannedPage : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void chartOnAScannedPage();
    void logoOnTheScanKeepsTheScannedPath();
    void logoBesideTheScanIsItsOwnPicture();
    void rotatedScanMapsBackToPageSpace();
    void textOnlyScanHasNoPictures();
    void bandIsTakenFromTheBoxRows();
    void extentBridgesGapsOfFourColumns_data();
    void extentBridgesGapsOfFourColumns();
    void candidateFilters_data();
    void candidateFilters();
    void nearbyBoxesMerge();
    void rectangleDetection();

private:
    test::ScanFixture m_scan;
};

void TestScannedPage::initTestCase()
{
    m_scan = test::scannedLetterPage();
    QCOMPARE(m_scan.image.size(), QSize(1224, 1584));
}

void TestScannedPage::chartOnAScannedPage()
{
    PdfBuilder builder;
    builder.addPage("q 612 0 0 792 0 0 cm /Scan Do Q", {{"/Scan", builder.image(m_scan.image)}});
    const QList<PagePicture> pictures = picturesOf(builder);
    QVERIFY2(pictures.size() == 1, qPrintable(describe(pictures)));
    QCOMPARE(pictures[0].pixelsPerPoint, 2.0);
    QVERIFY2(closelyContains(pictures[0].bounds, m_scan.chart, 16), qPrintable(describe(pictures)));
}

void TestScannedPage::logoOnTheScanKeepsTheScannedPath()
{
    PdfBuilder builder;
    // The logo joins the page-sized scan's group, which is then dropped as page-sized.
    builder.addPage("q 612 0 0 792 0 0 cm /Scan Do Q " + test::drawImage(500, 700, 60, 60, "/Logo"),
                    {{"/Scan", builder.image(m_scan.image)}, {"/Logo", builder.image(300, 300)}});
    const QList<PagePicture> pictures = picturesOf(builder);
    QVERIFY2(pictures.size() == 1, qPrintable(describe(pictures)));
    QVERIFY2(closelyContains(pictures[0].bounds, m_scan.chart, 16), qPrintable(describe(pictures)));
    // The resolution is the scan's, not the finer logo's.
    QCOMPARE(pictures[0].pixelsPerPoint, 2.0);
}

void TestScannedPage::logoBesideTheScanIsItsOwnPicture()
{
    PdfBuilder builder;
    // The scan covers 92.4 % of the height; the logo sits 8 points below it.
    builder.addPage("q 612 0 0 732 0 60 cm /Scan Do Q " + test::drawImage(20, 2, 50, 50, "/Logo"),
                    {{"/Scan", builder.image(m_scan.image)}, {"/Logo", builder.image(100, 100)}});
    QCOMPARE(picturesOf(builder), (QList<PagePicture>{{QRectF(20, 2, 50, 50), 2.0}}));
}

void TestScannedPage::rotatedScanMapsBackToPageSpace()
{
    PdfBuilder builder;
    // A landscape media box shown a quarter turn clockwise: the scan is drawn turned
    // so that it reads upright on screen.
    builder.addPage("q 0 612 -792 0 792 0 cm /Scan Do Q", {{"/Scan", builder.image(m_scan.image)}},
                    QRectF(0, 0, 792, 612), "/Rotate 90");
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(builder.bytes());
    const QList<PagePicture> pictures = document->pictures(0);
    QVERIFY2(pictures.size() == 1, qPrintable(describe(pictures)));
    // Upright (x, y) is page (792 − y, x).
    const QRectF chartOnPage(792 - m_scan.chart.bottom(), m_scan.chart.left(), m_scan.chart.height(),
                             m_scan.chart.width());
    QVERIFY2(closelyContains(pictures[0].bounds, chartOnPage, 16), qPrintable(describe(pictures)));
    // Drawn as displayed: wider than tall, like the chart on screen.
    const QImage picture = document->renderPicture(pictures[0], 0);
    QVERIFY(picture.width() > picture.height());
}

void TestScannedPage::textOnlyScanHasNoPictures()
{
    const test::ScanFixture textOnly = test::scannedLetterPage(false);
    PdfBuilder builder;
    builder.addPage("q 612 0 0 792 0 0 cm /Scan Do Q", {{"/Scan", builder.image(textOnly.image)}});
    QCOMPARE(picturesOf(builder), QList<PagePicture>{});
}

void TestScannedPage::bandIsTakenFromTheBoxRows()
{
    // Ink in the upper fifth of the image. Detection boxes count y from the bottom, so
    // the box over that ink is y 0.7...0.9; its mirror image 0.1...0.3 holds nothing.
    QImage image = whitePage();
    ink(image, 30, 70, 100, 300);
    const QRectF upper(0.3, 0.7, 0.4, 0.2);
    const QRectF lower(0.3, 0.1, 0.4, 0.2);
    QCOMPARE(refinedHorizontalExtent(image, upper), std::optional<QRectF>(QRectF(0.3, 0.7, 0.4, 0.2)));
    QCOMPARE(refinedHorizontalExtent(image, lower), std::nullopt);
    QCOMPARE(picturesInScan(image, {{upper, 0.95}, {lower, 0.95}}, {}),
             QList<QRectF>{QRectF(0.288, 0.692, 0.424, 0.216)});
}

void TestScannedPage::extentBridgesGapsOfFourColumns_data()
{
    QTest::addColumn<int>("gap");
    QTest::addColumn<double>("expectedRight");
    QTest::newRow("4 free columns are passed over") << 4 << 0.74;
    QTest::newRow("5 free columns end the extent") << 5 << 0.40;
}

void TestScannedPage::extentBridgesGapsOfFourColumns()
{
    QFETCH(int, gap);
    QFETCH(double, expectedRight);
    QImage image = whitePage();
    ink(image, 20, 40, 400, 600);
    ink(image, 40 + gap, 74, 400, 600);
    // Ink left of the candidate belongs to the picture as well.
    ink(image, 10, 18, 400, 600);
    const std::optional<QRectF> refined = refinedHorizontalExtent(image, QRectF(0.25, 0.45, 0.1, 0.1));
    QVERIFY(refined);
    QCOMPARE(refined->left(), 0.10);
    QCOMPARE(refined->right(), expectedRight);
}

void TestScannedPage::candidateFilters_data()
{
    QTest::addColumn<DetectedRectangle>("rectangle");
    QTest::addColumn<QList<QRectF>>("textBoxes");
    QTest::addColumn<int>("expectedCount");
    const QRectF box(0.2, 0.3, 0.5, 0.3);
    QTest::newRow("confident") << DetectedRectangle{box, 0.9} << QList<QRectF>{} << 1;
    QTest::newRow("not confident enough") << DetectedRectangle{box, 0.89} << QList<QRectF>{} << 0;
    QTest::newRow("too tall") << DetectedRectangle{QRectF(0.2, 0.3, 0.5, 0.46), 0.99} << QList<QRectF>{} << 0;
    QTest::newRow("too wide") << DetectedRectangle{QRectF(0.05, 0.3, 0.91, 0.3), 0.99} << QList<QRectF>{} << 0;
    // Text boxes covering 15 % of the box (refined to 0.2...0.7) leave it a picture;
    // 20 % make it text.
    QTest::newRow("some text on it") << DetectedRectangle{box, 0.95}
                                     << QList<QRectF>{QRectF(0.2, 0.3, 0.5, 0.025), QRectF(0.2, 0.5, 0.5, 0.02)} << 1;
    QTest::newRow("mostly text") << DetectedRectangle{box, 0.95}
                                 << QList<QRectF>{QRectF(0.2, 0.3, 0.5, 0.03), QRectF(0.2, 0.5, 0.5, 0.03)} << 0;
}

void TestScannedPage::candidateFilters()
{
    QFETCH(DetectedRectangle, rectangle);
    QFETCH(QList<QRectF>, textBoxes);
    QFETCH(int, expectedCount);
    QImage image = whitePage();
    ink(image, 20, 70, 400, 700);
    ink(image, 5, 96, 420, 430);
    QCOMPARE(picturesInScan(image, {rectangle}, textBoxes).size(), expectedCount);
}

void TestScannedPage::nearbyBoxesMerge()
{
    const QList<QRectF> merged = mergeNearbyBoxes(
        {QRectF(0.1, 0.1, 0.2, 0.2), QRectF(0.5, 0.5, 0.3, 0.3), QRectF(0.315, 0.1, 0.1, 0.1), QRectF(0.1, 0.8, 0.1, 0.1)});
    // The largest box comes first; the small one 0.015 right of the second largest joins it,
    // since only the box being placed is grown for the test.
    QCOMPARE(merged, (QList<QRectF>{QRectF(0.5, 0.5, 0.3, 0.3), QRectF(0.1, 0.1, 0.315, 0.2), QRectF(0.1, 0.8, 0.1, 0.1)}));
}

void TestScannedPage::rectangleDetection()
{
    QImage image = whitePage(1000, 800);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(QRect(100, 100, 400, 300)); // clean frame
    painter.drawRect(QRect(700, 100, 30, 30)); // smaller than 8 % of 800 pixels
    painter.drawRect(QRect(600, 600, 390, 12)); // aspect below 0.1
    // A trapezoid whose corners are 40 degrees off square.
    painter.drawPolygon(QPolygon({QPoint(600, 250), QPoint(950, 250), QPoint(870, 450), QPoint(680, 450)}));
    // A frame missing half of its outline.
    painter.drawPolyline(QPolygon({QPoint(100, 500), QPoint(100, 750), QPoint(450, 750)}));
    painter.drawLine(QPoint(450, 750), QPoint(450, 700));
    painter.end();

    const QList<DetectedRectangle> found = detectRectangles(image);
    QVERIFY(!found.isEmpty());
    const DetectedRectangle &frame = found.first();
    QVERIFY2(frame.confidence > 0.95, qPrintable(QString::number(frame.confidence)));
    // Normalized with the origin at the lower left: pixel rows 100...400 of 800.
    const QRectF expected(0.1, 0.5, 0.4, 0.375);
    QVERIFY2(std::abs(frame.bounds.left() - expected.left()) < 0.005 && std::abs(frame.bounds.width() - expected.width()) < 0.01
                 && std::abs(frame.bounds.top() - expected.top()) < 0.005 && std::abs(frame.bounds.height() - expected.height()) < 0.01,
             qPrintable(QString("%1 %2 %3 %4").arg(frame.bounds.x()).arg(frame.bounds.y()).arg(frame.bounds.width()).arg(frame.bounds.height())));
    for (qsizetype i = 1; i < found.size(); ++i)
        QVERIFY2(found[i].confidence < 0.9, qPrintable(QString::number(found[i].confidence)));
}

QTEST_GUILESS_MAIN(TestScannedPage)
#include "test_scannedpage.moc"
