#pragma once

#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace tovik {

// Where a PDF page's visible area lies and how it is turned for display.
//
// Two coordinate spaces meet here, both in points (1/72 inch) with the origin at
// the lower left and y growing upwards:
// - page space: the PDF's own user space, unrotated; cropBox is given in it;
// - box space: the crop box as displayed, with the rotation applied; its origin is
//   the lower-left corner of the displayed page and it spans displayedSize().
struct PdfPageGeometry
{
    QRectF cropBox;
    // Clockwise display rotation in degrees, always one of 0, 90, 180 and 270.
    int rotation = 0;

    // Reduces any multiple of 90 degrees (negative ones too) to 0...270; other
    // values, which PDF readers ignore, become 0.
    static int normalizedRotation(int degrees);

    // The crop box's size with odd quarter turns swapping width and height.
    QSizeF displayedSize() const;

    // Maps page space to box space.
    QTransform cropBoxTransform() const;

    friend bool operator==(const PdfPageGeometry &, const PdfPageGeometry &) = default;
};

} // namespace tovik
