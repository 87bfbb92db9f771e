#pragma once

#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace tovik {

// The visible area of a PDF page and how it is turned for display.
//
// Page space is the PDF's own user space (points, origin lower left, y up); the
// crop box is given in it. Upright space is the crop box as displayed, rotation
// applied: points, origin at the displayed page's lower-left corner, y up.
struct PicturePageBox
{
    // Normalized (positive width and height), already clipped to the media box.
    QRectF cropBox;
    // Clockwise display rotation: 0, 90, 180 or 270.
    int rotation = 0;

    // Multiples of 90 (negative ones too) reduced to 0...270; anything else, which
    // PDF readers ignore, becomes 0.
    static int normalizedRotation(long long degrees);

    // The crop box's size, width and height swapped for a quarter turn.
    QSizeF uprightSize() const;

    // Maps page space to upright space.
    QTransform cropBoxTransform() const;

    friend bool operator==(const PicturePageBox &, const PicturePageBox &) = default;
};

} // namespace tovik
