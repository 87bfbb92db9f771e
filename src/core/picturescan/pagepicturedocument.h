#pragma once

#include "pictures/pagepicture.h"
#include "picturescan/picturepagebox.h"
#include "picturescan/placedimage.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace tovik {

// The pictures of one PDF file's pages: finds them (PictureScanner over the page's
// content, or detection inside a scanned page) and renders one for the picture
// window. Reads the file with QPDF; Poppler, for drawing, is opened only when a page
// has to be drawn. Pages are counted from 0.
//
// Threads: an object may be used on any thread, but by one thread at a time. Never
// throws; every failure gives an empty list, no box or a null image.
class PagePictureDocument final
{
public:
    // Nothing when the file cannot be read as a PDF (or needs a password).
    static std::unique_ptr<PagePictureDocument> open(const QString &path);
    static std::unique_ptr<PagePictureDocument> fromData(const QByteArray &pdf);
    ~PagePictureDocument();
    Q_DISABLE_COPY_MOVE(PagePictureDocument)

    int pageCount();
    // The crop box (clipped to the media box) and rotation of a page.
    std::optional<PicturePageBox> pageBox(int pageIndex);
    // Where the page's images land, in drawing order, before grouping.
    QList<PlacedImage> placedImages(int pageIndex);

    // The pictures on a page in reading order. Placed images grouped into pictures
    // (at most 16); when there are none but the page is one full-page image, the
    // pictures found inside the scan at a 1000-pixel-wide rendering.
    QList<PagePicture> pictures(int pageIndex);

    // The picture's region (grown by 0.5 points, clipped to the crop box) drawn as
    // displayed at max(pixelsPerPoint, 2) pixels per point, but at most 4096 pixels
    // on the longer side. One pixel of the image is one point: its device pixel
    // ratio is 1 and its resolution 72 dots per inch. Null when there is nothing to
    // draw or drawing fails.
    QImage renderPicture(const PagePicture &picture, int pageIndex);

private:
    struct Data;

    PagePictureDocument();
    QList<PagePicture> findPictures(int pageIndex);
    QImage drawPicture(const PagePicture &picture, int pageIndex);
    QList<PagePicture> scannedPagePictures(int pageIndex, const PicturePageBox &box, double resolution);

    std::unique_ptr<Data> m_data;
};

} // namespace tovik
