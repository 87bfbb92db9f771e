#include "picturescan/pagepicturedocument.h"

#include "ocr/textrectangledetector.h"
#include "picturescan/pagerendering.h"
#include "picturescan/picturegrouping.h"
#include "picturescan/picturerects.h"
#include "picturescan/picturescanner.h"
#include "picturescan/rectangledetector.h"
#include "picturescan/scannedpagepictures.h"

#include <poppler-qt6.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <QFile>

#include <algorithm>
#include <cmath>

namespace tovik {

namespace {

constexpr int scanRenderingWidth = 1000;
// A "page" more than 16 times as tall as wide is no scan; drawing it 1000 pixels
// wide could ask for gigabytes.
constexpr int largestScanRenderingHeight = 16 * scanRenderingWidth;
constexpr double largestPictureSide = 4096;
constexpr double largestDrawingSide = 1.0e9;
// 72 dots per inch, so that one pixel is one point.
constexpr int dotsPerMeterAt72 = 2835;

std::optional<QRectF> readRectangle(QPDFObjectHandle array)
{
    if (!array.isRectangle())
        return std::nullopt;
    const QPDFObjectHandle::Rectangle r = array.getArrayAsRectangle();
    const QRectF box = QRectF(QPointF(r.llx, r.lly), QPointF(r.urx, r.ury)).normalized();
    if (!picturerects::isFinite(box))
        return std::nullopt;
    return box;
}

} // namespace

struct PagePictureDocument::Data
{
    QString path;
    // The bytes of a document opened from memory; QPDF and Poppler read them in place.
    QByteArray bytes;
    QPDF qpdf;
    std::optional<std::vector<QPDFPageObjectHelper>> pages;
    std::unique_ptr<Poppler::Document> poppler;
    bool popplerTried = false;

    QPDFPageObjectHelper *page(int index)
    {
        if (!pages)
            pages = QPDFPageDocumentHelper(qpdf).getAllPages();
        if (index < 0 || size_t(index) >= pages->size())
            return nullptr;
        return &(*pages)[size_t(index)];
    }

    std::unique_ptr<Poppler::Page> popplerPage(int index)
    {
        if (!popplerTried) {
            popplerTried = true;
            poppler = bytes.isNull() ? Poppler::Document::load(path) : Poppler::Document::loadFromData(bytes);
            if (poppler && poppler->isLocked())
                poppler.reset();
            if (poppler) {
                poppler->setRenderHint(Poppler::Document::Antialiasing);
                poppler->setRenderHint(Poppler::Document::TextAntialiasing);
            }
        }
        return poppler ? poppler->page(index) : nullptr;
    }
};

PagePictureDocument::PagePictureDocument() : m_data(std::make_unique<Data>())
{
    m_data->qpdf.setSuppressWarnings(true);
}

PagePictureDocument::~PagePictureDocument() = default;

std::unique_ptr<PagePictureDocument> PagePictureDocument::open(const QString &path)
{
    std::unique_ptr<PagePictureDocument> document(new PagePictureDocument);
    document->m_data->path = path;
    try {
        document->m_data->qpdf.processFile(QFile::encodeName(path).constData());
    } catch (...) {
        return nullptr;
    }
    return document;
}

std::unique_ptr<PagePictureDocument> PagePictureDocument::fromData(const QByteArray &pdf)
{
    std::unique_ptr<PagePictureDocument> document(new PagePictureDocument);
    Data &data = *document->m_data;
    // A non-null array even when empty, so that the document counts as in memory.
    data.bytes = pdf.isNull() ? QByteArray("") : pdf;
    try {
        data.qpdf.processMemoryFile("memory.pdf", data.bytes.constData(), size_t(data.bytes.size()));
    } catch (...) {
        return nullptr;
    }
    return document;
}

int PagePictureDocument::pageCount()
{
    try {
        m_data->page(0);
        return int(m_data->pages->size());
    } catch (...) {
        return 0;
    }
}

std::optional<PicturePageBox> PagePictureDocument::pageBox(int pageIndex)
{
    try {
        QPDFPageObjectHelper *page = m_data->page(pageIndex);
        if (!page)
            return std::nullopt;
        const std::optional<QRectF> media = readRectangle(page->getMediaBox());
        std::optional<QRectF> crop = readRectangle(page->getCropBox());
        if (!crop)
            crop = media;
        if (!crop)
            return std::nullopt;
        PicturePageBox box;
        box.cropBox = media ? picturerects::clipped(*crop, *media) : *crop;
        QPDFObjectHandle rotate = page->getAttribute("/Rotate", false);
        box.rotation = rotate.isInteger() ? PicturePageBox::normalizedRotation(rotate.getIntValue()) : 0;
        return box;
    } catch (...) {
        return std::nullopt;
    }
}

QList<PlacedImage> PagePictureDocument::placedImages(int pageIndex)
{
    try {
        QPDFPageObjectHelper *page = m_data->page(pageIndex);
        if (!page)
            return {};
        PictureScanner scanner(*page);
        return scanner.scanPage();
    } catch (...) {
        return {};
    }
}

QList<PagePicture> PagePictureDocument::pictures(int pageIndex)
{
    try {
        return findPictures(pageIndex);
    } catch (...) {
        // Out of memory on an absurd page, say: no pictures.
        return {};
    }
}

QList<PagePicture> PagePictureDocument::findPictures(int pageIndex)
{
    const std::optional<PicturePageBox> box = pageBox(pageIndex);
    if (!box)
        return {};
    const QList<PlacedImage> placed = placedImages(pageIndex);
    QList<PagePicture> found = groupPlacedImages(placed, box->cropBox);
    if (!found.isEmpty())
        return found;
    const QList<PlacedImage> scans = fullPageImages(placed, box->cropBox);
    if (scans.isEmpty())
        return {};
    double resolution = 0;
    for (const PlacedImage &scan : scans)
        resolution = std::max(resolution, scan.pixelsPerPoint);
    return scannedPagePictures(pageIndex, *box, resolution);
}

QList<PagePicture> PagePictureDocument::scannedPagePictures(int pageIndex, const PicturePageBox &box,
                                                            double resolution)
{
    const QSizeF upright = box.uprightSize();
    if (!(upright.height() > 1) || upright.width() < 1)
        return {};
    const double scale = scanRenderingWidth / upright.width();
    const double height = std::round(upright.height() * scale);
    if (!(height >= 1 && height <= largestScanRenderingHeight))
        return {};

    QImage rendering;
    if (std::unique_ptr<Poppler::Page> page = m_data->popplerPage(pageIndex))
        rendering = renderUprightPageRegion(*page, scale, QRect(0, 0, scanRenderingWidth, int(height)));
    if (rendering.isNull())
        return {};

    const QList<DetectedRectangle> rectangles = detectRectangles(rendering);
    // Tiny pages drawn 1000 pixels wide would claim absurd resolutions.
    const QList<QRectF> text = detectTextRectangles(rendering, int(std::clamp(std::lround(72 * scale), 1L, 2400L)));
    const QTransform toUpright = box.cropBoxTransform();
    const bool invertible = std::abs(toUpright.determinant()) > 0.000001;
    const QTransform toPage = invertible ? toUpright.inverted() : QTransform();

    QList<PagePicture> found;
    for (const QRectF &normalized : picturesInScan(rendering, rectangles, text)) {
        const QRectF inUpright(normalized.x() * upright.width(), normalized.y() * upright.height(),
                               normalized.width() * upright.width(), normalized.height() * upright.height());
        found.append({toPage.mapRect(inUpright), resolution});
    }
    sortIntoReadingOrder(found);
    return found;
}

QImage PagePictureDocument::renderPicture(const PagePicture &picture, int pageIndex)
{
    try {
        return drawPicture(picture, pageIndex);
    } catch (...) {
        return {};
    }
}

QImage PagePictureDocument::drawPicture(const PagePicture &picture, int pageIndex)
{
    const std::optional<PicturePageBox> box = pageBox(pageIndex);
    if (!box || !picturerects::isFinite(picture.bounds))
        return {};
    const QRectF region = picturerects::clipped(picturerects::grown(picture.bounds, 0.5, 0.5), box->cropBox);
    if (!(region.width() > 1 && region.height() > 1))
        return {};
    const double resolution = std::isnan(picture.pixelsPerPoint) ? 2.0 : std::max(picture.pixelsPerPoint, 2.0);
    const double scale = std::min(largestPictureSide / std::max(region.width(), region.height()), resolution);
    if (!(scale > 0))
        return {};
    // The renderer addresses the whole page's drawing in int pixels; a giant page at
    // a fine scale would not fit.
    const QSizeF drawing = box->uprightSize() * scale;
    if (!(drawing.width() < largestDrawingSide && drawing.height() < largestDrawingSide))
        return {};

    // The region as displayed; pixel rows of the drawing run down from the top of
    // the displayed page.
    const QRectF mapped = box->cropBoxTransform().mapRect(region);
    const double uprightHeight = box->uprightSize().height();
    const QRect pixels(int(std::lround(mapped.x() * scale)),
                       int(std::lround((uprightHeight - (mapped.y() + mapped.height())) * scale)),
                       std::max(1, int(std::ceil(scale * mapped.width()))),
                       std::max(1, int(std::ceil(scale * mapped.height()))));

    QImage image;
    if (std::unique_ptr<Poppler::Page> page = m_data->popplerPage(pageIndex))
        image = renderUprightPageRegion(*page, scale, pixels);
    if (image.isNull())
        return {};
    // The picture window sizes its canvas from the image's size in points. Qt takes
    // that size as pixels ÷ device pixel ratio, so the ratio stays 1; and 72 dots per
    // inch makes the physical size (used by anything that prints or pastes the image)
    // agree, instead of the scaled resolution Poppler records.
    image.setDevicePixelRatio(1.0);
    image.setDotsPerMeterX(dotsPerMeterAt72);
    image.setDotsPerMeterY(dotsPerMeterAt72);
    return image;
}

} // namespace tovik
