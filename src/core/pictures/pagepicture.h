#pragma once

#include <QList>
#include <QMetaType>
#include <QRectF>

namespace tovik {

// A picture found on a PDF page: one image or several touching ones, or a region
// of a scanned page. `bounds` is in page space: points, origin at the lower left,
// y up, so bounds.y() is the bottom edge.
struct PagePicture
{
    QRectF bounds;
    // Resolution of the picture's source pixels on the page; renderPicture draws at
    // least this finely (within its size limit).
    double pixelsPerPoint = 0;

    // Written out (not defaulted) so that the scanner also builds as C++17, which the
    // Clang fuzzing build needs with QPDF's headers.
    friend bool operator==(const PagePicture &a, const PagePicture &b)
    {
        return a.bounds == b.bounds && a.pixelsPerPoint == b.pixelsPerPoint;
    }
    friend bool operator!=(const PagePicture &a, const PagePicture &b) { return !(a == b); }
};

} // namespace tovik

Q_DECLARE_METATYPE(tovik::PagePicture)
