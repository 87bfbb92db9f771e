#pragma once

#include "pictures/pagepicture.h"
#include "picturescan/placedimage.h"

#include <QList>
#include <QRectF>

namespace tovik {

// A page yields at most this many pictures from its placed images.
inline constexpr qsizetype maximumPicturesPerPage = 16;

// Groups placed images into pictures: images whose boxes, grown by 1.5 points on
// every side, overlap (directly or through other images) form one picture covering
// their union clipped to the crop box, with the finest resolution among them.
// Pictures smaller than 48 × 48 points and page-sized ones (92 % of the crop box in
// both directions) are dropped. The rest come in reading order; past 16 only the 16
// largest are kept. `cropBox` is in page space.
QList<PagePicture> groupPlacedImages(const QList<PlacedImage> &placed, const QRectF &cropBox);

// The placed images that cover at least 92 % of the crop box's width and height
// after clipping to it: the sign of a scanned page.
QList<PlacedImage> fullPageImages(const QList<PlacedImage> &placed, const QRectF &cropBox);

// Reading order (stable): higher tops first, tops within 8 points left to right.
void sortIntoReadingOrder(QList<PagePicture> &pictures);

} // namespace tovik
