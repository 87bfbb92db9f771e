#pragma once

#include "picturescan/rectangledetector.h"

#include <QImage>
#include <QList>
#include <QRectF>

#include <optional>

namespace tovik {

// Finding pictures inside a scanned page, given its rendering and what the rectangle
// and text detectors found on it. All boxes are normalized to the rendering: 0…1,
// origin at the lower left, y up.

// Candidates are the confident rectangles (0.9 or more) of plausible size; each one's
// horizontal extent is then taken from the ink in its band of rows. Boxes that are
// too narrow or mostly text (more than 18 % covered by text lines) are dropped, the
// rest grown a little and merged where they nearly touch.
QList<QRectF> picturesInScan(const QImage &rendering, const QList<DetectedRectangle> &rectangles,
                             const QList<QRectF> &textBoxes);

// The candidate's horizontal extent read from the pixels. The band is the rows the
// candidate covers in the picture as seen (its y counts from the bottom, the image's
// rows from the top, so the y values are flipped to find them). The band is split
// into 100 columns, a column is occupied when more than 3.5 % of its samples (every
// third pixel of every third row) are ink (red + green + blue below 680), and the
// extent runs from the first occupied column inside the candidate outwards over
// gaps of at most 4 free columns. Keeps the candidate's vertical position and
// height; nothing when no column inside it is occupied.
std::optional<QRectF> refinedHorizontalExtent(const QImage &rendering, const QRectF &candidate);

// Largest first, each box joins (by union) the first merged box that it overlaps
// when grown by 0.02 on every side, or starts a new one.
QList<QRectF> mergeNearbyBoxes(QList<QRectF> boxes);

} // namespace tovik
