#include "pdfbuilder.h"
#include "picturescan/pagepicturedocument.h"
#include "support/isolatedhome.h"

#include <QtTest>

using namespace tovik;
using test::drawImage;
using test::PdfBuilder;

namespace {

std::unique_ptr<PagePictureDocument> load(PdfBuilder &builder)
{
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(builder.bytes());
    if (!document)
        qFatal("the test PDF did not load");
    return document;
}

QList<PlacedImage> placedOnFirstPage(PdfBuilder &builder)
{
    return load(builder)->placedImages(0);
}

QList<PagePicture> picturesOnFirstPage(PdfBuilder &builder)
{
    return load(builder)->pictures(0);
}

// A chain of `levels` forms below the page, the innermost drawing the image.
void addNestedForms(PdfBuilder &builder, int levels)
{
    QPDFObjectHandle inner = builder.form(drawImage(100, 100, 200, 200), {{"/Im0", builder.image(400, 400)}});
    for (int level = 1; level < levels; ++level)
        inner = builder.form("/Fm0 Do", {{"/Fm0", inner}});
    builder.addPage("/Fm0 Do", {{"/Fm0", inner}});
}

} // namespace

class TestPictureScanner : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void imageLandsThroughTheMatrix();
    void sizesReadAsIntegerOrReal_data();
    void sizesReadAsIntegerOrReal();
    void formMatrixAndResources();
    void formCannotUndoTheCallersState();
    void unmatchedRestoreKeepsTheBaseMatrix();
    void nestingIsCutAfterEightLevels_data();
    void nestingIsCutAfterEightLevels();
    void skippedDrawings();
    void touchingImagesGroup_data();
    void touchingImagesGroup();
    void groupKeepsFinestResolutionAndClipsToCropBox();
    void readingOrder();
    void atMostSixteenLargestPictures();
};

void TestPictureScanner::imageLandsThroughTheMatrix()
{
    PdfBuilder builder;
    builder.addPage("q 200 0 0 100 50 600 cm /Im0 Do Q", {{"/Im0", builder.image(400, 200)}});
    const QList<PlacedImage> placed = placedOnFirstPage(builder);
    QCOMPARE(placed.size(), 1);
    QCOMPARE(placed[0].bounds, QRectF(50, 600, 200, 100));
    QCOMPARE(placed[0].pixelsPerPoint, 2.0);
    QCOMPARE(picturesOnFirstPage(builder), (QList<PagePicture>{{QRectF(50, 600, 200, 100), 2.0}}));
}

void TestPictureScanner::sizesReadAsIntegerOrReal_data()
{
    QTest::addColumn<QString>("sizeEntries");
    QTest::addColumn<int>("expectedCount");
    QTest::addColumn<double>("expectedResolution");
    QTest::newRow("integers") << "/Width 300 /Height 100" << 1 << 3.0;
    QTest::newRow("reals") << "/Width 300.0 /Height 50.5" << 1 << 3.0;
    QTest::newRow("taller than wide in pixels") << "/Width 10 /Height 400" << 1 << 4.0;
    QTest::newRow("one pixel wide") << "/Width 1 /Height 100" << 0 << 0.0;
    QTest::newRow("missing height") << "/Width 300" << 0 << 0.0;
    QTest::newRow("height is a name") << "/Width 300 /Height /Big" << 0 << 0.0;
}

void TestPictureScanner::sizesReadAsIntegerOrReal()
{
    QFETCH(QString, sizeEntries);
    QFETCH(int, expectedCount);
    QFETCH(double, expectedResolution);
    PdfBuilder builder;
    QPDFObjectHandle image = builder.stream("/Type /XObject /Subtype /Image /ColorSpace /DeviceGray "
                                            "/BitsPerComponent 8 " + sizeEntries.toStdString(),
                                            std::string(16, '\0'));
    builder.addPage(drawImage(10, 10, 100, 100), {{"/Im0", image}});
    const QList<PlacedImage> placed = placedOnFirstPage(builder);
    QCOMPARE(placed.size(), expectedCount);
    if (expectedCount)
        QCOMPARE(placed[0].pixelsPerPoint, expectedResolution);
}

void TestPictureScanner::formMatrixAndResources()
{
    PdfBuilder builder;
    QPDFObjectHandle image = builder.image(100, 100);
    // The image is found through the page's resources although the form has some of
    // its own, and the form's matrix halves what the caller's cm doubled.
    QPDFObjectHandle other = builder.image(10, 10);
    QPDFObjectHandle scaled = builder.form(drawImage(30, 40, 100, 80), {{"/Other", other}},
                                           "/Matrix [0.5 0 0 0.5 0 0]");
    // A form without resources of its own uses the page's; a /Matrix that is not six
    // numbers counts as identity.
    QPDFObjectHandle plain = builder.form(drawImage(300, 300, 60, 60), {}, "/Matrix [2 0 0 2]");
    builder.addPage("q 2 0 0 2 0 0 cm /Fm0 Do Q /Fm1 Do", {{"/Fm0", scaled}, {"/Fm1", plain}, {"/Im0", image}});
    const QList<PlacedImage> placed = placedOnFirstPage(builder);
    QCOMPARE(placed.size(), 2);
    QCOMPARE(placed[0].bounds, QRectF(30, 40, 100, 80));
    QCOMPARE(placed[1].bounds, QRectF(300, 300, 60, 60));
}

void TestPictureScanner::formCannotUndoTheCallersState()
{
    PdfBuilder builder;
    // The form scales without q/Q and tries to pop more states than it pushed.
    QPDFObjectHandle unruly = builder.form("5 0 0 5 0 0 cm Q Q Q q 3 0 0 3 0 0 cm", {{"/Im0", builder.image(20, 20)}});
    builder.addPage("q 2 0 0 2 0 0 cm /Fm0 Do " + drawImage(10, 10, 50, 50) + " Q " + drawImage(300, 300, 100, 100),
                    {{"/Fm0", unruly}, {"/Im0", builder.image(200, 200)}});
    const QList<PlacedImage> placed = placedOnFirstPage(builder);
    QCOMPARE(placed.size(), 2);
    QCOMPARE(placed[0].bounds, QRectF(20, 20, 100, 100));
    QCOMPARE(placed[1].bounds, QRectF(300, 300, 100, 100));
}

void TestPictureScanner::unmatchedRestoreKeepsTheBaseMatrix()
{
    PdfBuilder builder;
    builder.addPage("2 0 0 2 0 0 cm Q Q 50 0 0 50 10 10 cm /Im0 Do", {{"/Im0", builder.image(100, 100)}});
    const QList<PlacedImage> placed = placedOnFirstPage(builder);
    QCOMPARE(placed.size(), 1);
    QCOMPARE(placed[0].bounds, QRectF(20, 20, 100, 100));
}

void TestPictureScanner::nestingIsCutAfterEightLevels_data()
{
    QTest::addColumn<int>("forms");
    QTest::addColumn<int>("expectedCount");
    QTest::newRow("seven forms below the page") << 7 << 1;
    QTest::newRow("eight forms below the page") << 8 << 0;
}

void TestPictureScanner::nestingIsCutAfterEightLevels()
{
    QFETCH(int, forms);
    QFETCH(int, expectedCount);
    PdfBuilder builder;
    addNestedForms(builder, forms);
    QCOMPARE(placedOnFirstPage(builder).size(), expectedCount);
}

void TestPictureScanner::skippedDrawings()
{
    PdfBuilder builder;
    QPDFObjectHandle mask = builder.image(400, 400, "/ImageMask true /BitsPerComponent 1");
    QPDFObjectHandle notMask = builder.image(400, 400, "/ImageMask false");
    QPDFObjectHandle noSubtype = builder.stream("/Type /XObject /Width 100 /Height 100", "x");
    QPDFObjectHandle postScript = builder.stream("/Type /XObject /Subtype /PS", "x");
    builder.pdf().getTrailer().replaceKey("/NotAStream", QPDFObjectHandle::newInteger(3));
    const std::string content = drawImage(10, 10, 200, 200, "/Mask") + drawImage(10, 300, 200, 200, "/Missing")
        + drawImage(10, 500, 200, 200, "/NoSubtype") + drawImage(300, 10, 200, 200, "/PS")
        + drawImage(300, 300, 200, 200, "/Number")
        // Operand errors: cm with five numbers, cm with a name, Do without a name.
        + "q 1 2 3 4 5 cm 100 0 0 /x 0 0 cm 42 Do Q "
        // A tiny image is not recorded at all.
        + drawImage(300, 560, 0.4, 100, "/Plain") + drawImage(400, 560, 100, 100, "/Plain");
    builder.addPage(content, {{"/Mask", mask},
                              {"/NoSubtype", noSubtype},
                              {"/PS", postScript},
                              {"/Number", QPDFObjectHandle::newInteger(7)},
                              {"/Plain", notMask}});
    const QList<PlacedImage> placed = placedOnFirstPage(builder);
    QCOMPARE(placed.size(), 1);
    QCOMPARE(placed[0].bounds, QRectF(400, 560, 100, 100));
}

void TestPictureScanner::touchingImagesGroup_data()
{
    QTest::addColumn<double>("gap");
    QTest::addColumn<double>("side");
    QTest::addColumn<QList<QRectF>>("expected");
    QTest::newRow("2 pt apart") << 2.0 << 100.0 << QList<QRectF>{QRectF(100, 100, 202, 100)};
    QTest::newRow("4 pt apart") << 4.0 << 100.0 << QList<QRectF>{QRectF(100, 100, 100, 100), QRectF(204, 100, 100, 100)};
    QTest::newRow("40 pt squares") << 100.0 << 40.0 << QList<QRectF>{};
    QTest::newRow("48 pt squares") << 100.0 << 48.0 << QList<QRectF>{QRectF(100, 100, 48, 48), QRectF(248, 100, 48, 48)};
    // Two 40-point images 2 points apart make one 82 × 40 group: still too low.
    QTest::newRow("small images together") << 2.0 << 40.0 << QList<QRectF>{};
}

void TestPictureScanner::touchingImagesGroup()
{
    QFETCH(double, gap);
    QFETCH(double, side);
    QFETCH(QList<QRectF>, expected);
    PdfBuilder builder;
    builder.addPage(drawImage(100, 100, side, side) + drawImage(100 + side + gap, 100, side, side),
                    {{"/Im0", builder.image(100, 100)}});
    QList<QRectF> bounds;
    for (const PagePicture &picture : picturesOnFirstPage(builder))
        bounds.append(picture.bounds);
    QCOMPARE(bounds, expected);
}

void TestPictureScanner::groupKeepsFinestResolutionAndClipsToCropBox()
{
    PdfBuilder builder;
    // A chain of three images: the first and last touch only through the middle one.
    // The last one runs past the crop box's right edge.
    builder.addPage(drawImage(300, 300, 100, 100, "/Coarse") + drawImage(401, 300, 100, 100, "/Fine")
                        + drawImage(502, 300, 150, 100, "/Coarse"),
                    {{"/Coarse", builder.image(100, 100)}, {"/Fine", builder.image(500, 500)}},
                    QRectF(0, 0, 612, 792), "/CropBox [0 0 600 792]");
    QCOMPARE(picturesOnFirstPage(builder), (QList<PagePicture>{{QRectF(300, 300, 300, 100), 5.0}}));
}

void TestPictureScanner::readingOrder()
{
    PdfBuilder builder;
    // Left picture's top is 5 points lower than the right one's: still left first.
    // A picture clearly higher on the right comes before both.
    builder.addPage(drawImage(300, 500, 100, 100) + drawImage(50, 495, 100, 100) + drawImage(400, 650, 60, 60),
                    {{"/Im0", builder.image(100, 100)}});
    QList<QPointF> corners;
    for (const PagePicture &picture : picturesOnFirstPage(builder))
        corners.append(picture.bounds.topLeft());
    QCOMPARE(corners, (QList<QPointF>{{400, 650}, {50, 495}, {300, 500}}));
}

void TestPictureScanner::atMostSixteenLargestPictures()
{
    PdfBuilder builder;
    // 20 pictures in four rows of five, all of different sizes, tops aligned per row.
    std::string content;
    QList<QRectF> largest;
    for (int i = 0; i < 20; ++i) {
        const double side = 50 + ((i * 7) % 20) * 2; // a permutation of 50, 52, ..., 88
        const QRectF box(20 + (i % 5) * 110, 700 - (i / 5) * 150 - side, side, side);
        content += drawImage(box.x(), box.y(), box.width(), box.height());
        if (side >= 58)
            largest.append(box);
    }
    builder.addPage(content, {{"/Im0", builder.image(100, 100)}});
    QList<QRectF> bounds;
    for (const PagePicture &picture : picturesOnFirstPage(builder))
        bounds.append(picture.bounds);
    // The 16 largest, back in reading order (row by row, left to right).
    QCOMPARE(bounds, largest);
}

QTEST_GUILESS_MAIN(TestPictureScanner)
#include "test_picturescanner.moc"
