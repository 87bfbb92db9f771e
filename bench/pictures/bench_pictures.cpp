// Prints how long the picture scanner takes on a generated 50-page picture-heavy PDF
// and how long the scanned-page detection takes on one scanned letter page.
#include "ocr/textrectangledetector.h"
#include "pdfbuilder.h"
#include "pictures/pagepicturecache.h"
#include "picturescan/pagepicturedocument.h"
#include "picturescan/pagerendering.h"
#include "picturescan/rectangledetector.h"
#include "picturescan/scannedpagepictures.h"
#include "scanfixture.h"

#include <poppler-qt6.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>

using namespace tovik;
using test::drawImage;
using test::PdfBuilder;

namespace {

// Median wall time of `runs` calls, in milliseconds.
double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// 50 pages, each with 12 placed photos (some touching), 3 logos drawn through a
// form nested two deep, and 600 path operators of text-like drawing in between.
QByteArray pictureHeavyDocument()
{
    PdfBuilder builder;
    QImage photo(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x + y) * 3) & 255));
    QPDFObjectHandle image = builder.image(photo);
    QPDFObjectHandle logo = builder.image(128, 128);
    QPDFObjectHandle inner = builder.form(drawImage(0, 0, 60, 60, "/Logo"), {{"/Logo", logo}});
    QPDFObjectHandle outer = builder.form("q 1 0 0 1 10 10 cm /Inner Do Q", {{"/Inner", inner}});
    std::string filler;
    for (int i = 0; i < 150; ++i)
        filler += std::to_string(72 + i % 400) + " " + std::to_string(100 + i * 4) + " m 300 10 l S 0 g 1 w ";
    for (int page = 0; page < 50; ++page) {
        std::ostringstream content;
        content << filler;
        for (int i = 0; i < 12; ++i) {
            const double gap = i % 3 == 1 ? 2 : 12;
            content << drawImage(40 + (i % 3) * (150 + gap), 650 - (i / 3) * 150, 150, 100);
        }
        for (int i = 0; i < 3; ++i)
            content << "q 1 0 0 1 " << 40 + i * 200 << " 20 cm /Outer Do Q ";
        builder.addPage(content.str(), {{"/Im0", image}, {"/Outer", outer}});
    }
    return builder.bytes();
}

QByteArray scannedPageDocument(const QImage &scan)
{
    PdfBuilder builder;
    builder.addPage("q 612 0 0 792 0 0 cm /Scan Do Q", {{"/Scan", builder.image(scan)}});
    return builder.bytes();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString heavyPath = dir.filePath("heavy.pdf");
    const QByteArray heavy = pictureHeavyDocument();
    if (!writeFile(heavyPath, heavy))
        return 1;

    int pictures = 0;
    const double wholeDocument = medianMs(5, [&] {
        pictures = 0;
        std::unique_ptr<PagePictureDocument> document = PagePictureDocument::open(heavyPath);
        for (int page = 0; page < document->pageCount(); ++page)
            pictures += int(document->pictures(page).size());
    });
    std::printf("picture-heavy PDF: %d pages, %.1f MB, %d pictures found\n", 50, heavy.size() / 1e6, pictures);
    std::printf("  scan of all pages, one open document: %8.2f ms (%.3f ms a page)\n", wholeDocument,
                wholeDocument / 50);
    const double throughCache = medianMs(3, [&] {
        PagePictureCache cache;
        for (int page = 0; page < 50; ++page)
            cache.pictures(heavyPath, page);
    });
    std::printf("  scan of all pages through the cache (opens per page): %8.2f ms (%.3f ms a page)\n", throughCache,
                throughCache / 50);
    PagePictureCache warm;
    for (int page = 0; page < 50; ++page)
        warm.pictures(heavyPath, page);
    const double cached = medianMs(5, [&] {
        for (int page = 0; page < 50; ++page)
            warm.pictures(heavyPath, page);
    });
    std::printf("  cached lookups of all pages: %8.3f ms\n", cached);

    const test::ScanFixture scan = test::scannedLetterPage();
    const QByteArray scanned = scannedPageDocument(scan.image);
    std::unique_ptr<PagePictureDocument> scannedDocument = PagePictureDocument::fromData(scanned);
    QList<PagePicture> found;
    scannedDocument->pictures(0); // first use: Poppler, Tesseract and fonts start up
    const double detection = medianMs(5, [&] { found = scannedDocument->pictures(0); });
    std::printf("scanned letter page (1224 x 1584 px scan, %d picture found):\n", int(found.size()));
    std::printf("  pictures() on the page, all steps: %8.2f ms\n", detection);

    std::unique_ptr<Poppler::Document> poppler = Poppler::Document::loadFromData(scanned);
    poppler->setRenderHint(Poppler::Document::Antialiasing);
    std::unique_ptr<Poppler::Page> page = poppler->page(0);
    QImage rendering;
    const double render = medianMs(5, [&] {
        rendering = renderUprightPageRegion(*page, 1000 / 612.0, QRect(0, 0, 1000, 1294));
    });
    QList<DetectedRectangle> rectangles;
    const double rectangleTime = medianMs(5, [&] { rectangles = detectRectangles(rendering); });
    QList<QRectF> text;
    const double textTime = medianMs(5, [&] { text = detectTextRectangles(rendering, 118); });
    const double refineTime = medianMs(5, [&] { picturesInScan(rendering, rectangles, text); });
    std::printf("  of which: rendering 1000 px wide %.2f ms, rectangles (OpenCV) %.2f ms, "
                "text lines (Tesseract layout, %d lines) %.2f ms, filters and refinement %.2f ms\n",
                render, rectangleTime, int(text.size()), textTime, refineTime);
    return 0;
}
