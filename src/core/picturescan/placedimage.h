#pragma once

#include <QRectF>

namespace tovik {

// Where one image XObject lands on a PDF page. `bounds` is in page space: points,
// origin at the lower left, y up, so bounds.y() is the bottom edge.
struct PlacedImage
{
    QRectF bounds;
    // Source pixels per point of the page (the larger of the two axes).
    double pixelsPerPoint = 0;

    // Written out (not defaulted) so that the scanner also builds as C++17, which the
    // Clang fuzzing build needs with QPDF's headers.
    friend bool operator==(const PlacedImage &a, const PlacedImage &b)
    {
        return a.bounds == b.bounds && a.pixelsPerPoint == b.pixelsPerPoint;
    }
    friend bool operator!=(const PlacedImage &a, const PlacedImage &b) { return !(a == b); }
};

} // namespace tovik
