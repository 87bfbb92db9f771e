#include "pdfbuilder.h"
#include "pictures/pagepicturecache.h"
#include "picturescan/pagepicturedocument.h"
#include "support/isolatedhome.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace tovik;
using test::drawImage;
using test::PdfBuilder;

namespace {

QImage filled(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 230 && qGreen(pixel) < 30 && qBlue(pixel) < 30;
}

bool isWhite(QRgb pixel)
{
    return qRed(pixel) > 245 && qGreen(pixel) > 245 && qBlue(pixel) > 245;
}

// A red 200 × 100-point picture at (100, 500) drawn from 200 × 100 pixels, and a
// blue 50 × 50 one at (400, 100); `pageEntries` goes into the page dictionary.
QByteArray twoPicturePage(const std::string &pageEntries = {})
{
    PdfBuilder builder;
    builder.addPage(drawImage(100, 500, 200, 100, "/Red") + drawImage(400, 100, 50, 50, "/Blue"),
                    {{"/Red", builder.image(filled({200, 100}, Qt::red))},
                     {"/Blue", builder.image(filled({50, 50}, Qt::blue))}},
                    QRectF(0, 0, 612, 792), pageEntries);
    return builder.bytes();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

class TestPictureDocument : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void renderedPictureIsOnePointPerPixel();
    void renderingFollowsThePageRotation();
    void renderingIsLimitedTo4096Pixels();
    void nothingToRender_data();
    void nothingToRender();
    void documentsThatDoNotOpen();
    void cacheScansInTheBackgroundOnce();
    void cacheNoticesAChangedFile();
    void clearDropsRunningScans();

private:
    QTemporaryDir m_dir;
};

void TestPictureDocument::renderedPictureIsOnePointPerPixel()
{
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(twoPicturePage());
    QVERIFY(document);
    const QList<PagePicture> pictures = document->pictures(0);
    QCOMPARE(pictures, (QList<PagePicture>{{QRectF(100, 500, 200, 100), 1.0}, {QRectF(400, 100, 50, 50), 1.0}}));

    // 1 pixel per point is raised to 2; the region is grown by half a point.
    const QImage image = document->renderPicture(pictures[0], 0);
    QCOMPARE(image.size(), QSize(402, 202));
    QCOMPARE(image.devicePixelRatio(), 1.0);
    QCOMPARE(image.dotsPerMeterX(), 2835);
    QCOMPARE(image.dotsPerMeterY(), 2835);
    QVERIFY(isRed(image.pixel(201, 101)));
    QVERIFY(isRed(image.pixel(3, 3)));
    QVERIFY(isWhite(image.pixel(0, 0)));
}

void TestPictureDocument::renderingFollowsThePageRotation()
{
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(twoPicturePage("/Rotate 90"));
    QVERIFY(document);
    const QList<PagePicture> pictures = document->pictures(0);
    QCOMPARE(pictures.size(), 2);
    const QImage image = document->renderPicture(pictures[0], 0);
    // Shown turned a quarter: the wide picture stands upright.
    QCOMPARE(image.size(), QSize(202, 402));
    QVERIFY(isRed(image.pixel(101, 201)));
    QVERIFY(isRed(image.pixel(3, 3)));
    QVERIFY(isWhite(image.pixel(0, 0)));
}

void TestPictureDocument::renderingIsLimitedTo4096Pixels()
{
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(twoPicturePage());
    const QImage image = document->renderPicture({QRectF(100, 500, 200, 100), 50.0}, 0);
    // min(4096 ÷ 201, 50) pixels per point.
    QCOMPARE(image.size(), QSize(4096, int(std::ceil(101 * 4096.0 / 201))));
    QVERIFY(isRed(image.pixel(2048, 1000)));
}

void TestPictureDocument::nothingToRender_data()
{
    QTest::addColumn<PagePicture>("picture");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("expectImage");
    QTest::newRow("outside the crop box") << PagePicture{QRectF(700, 100, 50, 50), 2.0} << 0 << false;
    QTest::newRow("a sliver at the edge") << PagePicture{QRectF(611.8, 100, 50, 50), 2.0} << 0 << false;
    QTest::newRow("no such page") << PagePicture{QRectF(100, 500, 200, 100), 2.0} << 1 << false;
    QTest::newRow("no resolution") << PagePicture{QRectF(100, 500, 200, 100), std::numeric_limits<double>::quiet_NaN()}
                                   << 0 << true;
    QTest::newRow("infinite bounds") << PagePicture{QRectF(0, 0, std::numeric_limits<double>::infinity(), 10), 2.0}
                                     << 0 << false;
}

void TestPictureDocument::nothingToRender()
{
    QFETCH(PagePicture, picture);
    QFETCH(int, page);
    QFETCH(bool, expectImage);
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(twoPicturePage());
    const QImage image = document->renderPicture(picture, page);
    QCOMPARE(!image.isNull(), expectImage);
    if (expectImage)
        QCOMPARE(image.size(), QSize(402, 202));
}

void TestPictureDocument::documentsThatDoNotOpen()
{
    QVERIFY(!PagePictureDocument::fromData(QByteArray()));
    QVERIFY(!PagePictureDocument::fromData("not a PDF at all"));
    QVERIFY(!PagePictureDocument::open(m_dir.filePath("missing.pdf")));
    PagePictureCache cache;
    QCOMPARE(cache.pictures(m_dir.filePath("missing.pdf"), 0), QList<PagePicture>{});
}

void TestPictureDocument::cacheScansInTheBackgroundOnce()
{
    const QString path = m_dir.filePath("cached.pdf");
    QVERIFY(writeFile(path, twoPicturePage()));
    PagePictureCache cache;
    QSignalSpy ready(&cache, &PagePictureCache::picturesReady);
    QCOMPARE(cache.cachedPictures(path, 0), std::nullopt);
    cache.requestPictures(path, 0);
    cache.requestPictures(path, 0);
    QVERIFY(cache.isScanning(path, 0));
    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.size(), 1);
    QCOMPARE(ready[0][0].toString(), path);
    QCOMPARE(ready[0][1].toInt(), 0);
    const QList<PagePicture> expected{{QRectF(100, 500, 200, 100), 1.0}, {QRectF(400, 100, 50, 50), 1.0}};
    QCOMPARE(ready[0][2].value<QList<PagePicture>>(), expected);
    QVERIFY(!cache.isScanning(path, 0));
    QCOMPARE(cache.cachedPictures(path, 0), std::optional(expected));
    // Cached: no second scan.
    cache.requestPictures(path, 0);
    QVERIFY(!cache.isScanning(path, 0));
    QCOMPARE(cache.pictures(path, 0), expected);
}

void TestPictureDocument::cacheNoticesAChangedFile()
{
    const QString path = m_dir.filePath("changing.pdf");
    QVERIFY(writeFile(path, twoPicturePage()));
    PagePictureCache cache;
    QCOMPARE(cache.pictures(path, 0).size(), 2);
    PdfBuilder builder;
    builder.addPage(drawImage(10, 10, 100, 100), {{"/Im0", builder.image(10, 10)}});
    QVERIFY(writeFile(path, builder.bytes()));
    QCOMPARE(cache.cachedPictures(path, 0), std::nullopt);
    QCOMPARE(cache.pictures(path, 0), (QList<PagePicture>{{QRectF(10, 10, 100, 100), 0.1}}));
}

void TestPictureDocument::clearDropsRunningScans()
{
    const QString path = m_dir.filePath("cleared.pdf");
    QVERIFY(writeFile(path, twoPicturePage()));
    PagePictureCache cache;
    QSignalSpy ready(&cache, &PagePictureCache::picturesReady);
    cache.requestPictures(path, 0);
    cache.clear();
    QVERIFY(!cache.isScanning(path, 0));
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(ready.size(), 0);
    QCOMPARE(cache.cachedPictures(path, 0), std::nullopt);
    // A new request after the clear scans again and is delivered.
    cache.requestPictures(path, 0);
    QVERIFY(ready.wait(10000));
    QCOMPARE(ready.size(), 1);
}

QTEST_GUILESS_MAIN(TestPictureDocument)
#include "test_picturedocument.moc"
