#pragma once

#include <QImage>
#include <QList>
#include <QRectF>

namespace tovik {

// The text lines that Tesseract's page layout analysis (automatic segmentation, no
// recognition, no language data) finds in an image, as bounding boxes in normalized
// units (0…1, origin at the lower left, y up). Lines of image, ruling and other
// non-text blocks are left out. `pixelsPerInch` tells the analysis the scale of the
// image (0 lets it guess).
//
// Each thread uses an engine of its own, made on first use and kept for the life of
// the thread; engines are never shared. Never throws; a failure gives an empty list.
QList<QRectF> detectTextRectangles(const QImage &image, int pixelsPerInch = 0);

} // namespace tovik
