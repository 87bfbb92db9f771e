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

    friend bool operator==(const PlacedImage &, const PlacedImage &) = default;
};

} // namespace tovik
