#pragma once

#include <QImage>
#include <QRect>

namespace Poppler {
class Page;
}

namespace tovik {

// The only place the picture code draws a page (Poppler today; meant to move behind
// the PDF page service). Draws the page's crop box as displayed, its rotation
// applied, at `scale` pixels per point, and returns the part of that drawing inside
// `pixels` (pixel coordinates of the whole drawing, origin top left) on white, as an
// opaque ARGB32 image exactly pixels.size() large. A null image when it fails.
QImage renderUprightPageRegion(const Poppler::Page &page, double scale, const QRect &pixels);

} // namespace tovik
