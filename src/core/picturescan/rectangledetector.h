#pragma once

#include <QImage>
#include <QList>
#include <QRectF>

namespace tovik {

// A rectangle found in an image: its axis-aligned bounding box in normalized units
// (0…1, origin at the lower left of the image, y up) and how sure the detector is.
struct DetectedRectangle
{
    QRectF bounds;
    double confidence = 0;

    friend bool operator==(const DetectedRectangle &, const DetectedRectangle &) = default;
};

struct RectangleDetectionOptions
{
    // Shorter side ÷ longer side of an accepted quadrilateral.
    double minimumAspectRatio = 0.1;
    double maximumAspectRatio = 1.0;
    // Shorter side as a share of the image's shorter side.
    double minimumSize = 0.08;
    int maximumObservations = 10;
    // Largest accepted deviation of a corner from 90 degrees.
    double quadratureToleranceDegrees = 30;
    double minimumConfidence = 0.45;
};

// Finds rectangular outlines (frames of charts, photographs, boxes) in an image with
// OpenCV: Canny edges, closed by a small dilation, their contours approximated by
// polygons, and the convex quadrilaterals that pass the options kept.
//
// Confidence, 0…1, is the product of two shares:
// - edge support: the share of points sampled every 2 pixels along the
//   quadrilateral's four sides that lie within 3 pixels of an edge pixel, so a
//   crisp drawn frame scores near 1 and an outline pieced together from texture
//   scores low;
// - squareness: 1 − (largest corner deviation from 90°) ÷ 90, so a perfect
//   rectangle scores 1 and one at the 30° tolerance 0.67.
// A clean, upright, fully outlined rectangle therefore scores above 0.9; one that
// is a third unsupported, or skewed by 30°, falls to about 0.6.
//
// Near-duplicates (the inner and outer contour of one thick frame, bounding boxes
// overlapping by 80 % or more of their union) are reported once. Results come
// most confident first, then largest first, at most maximumObservations of them.
// Never throws; a failure gives an empty list. Safe on any thread.
QList<DetectedRectangle> detectRectangles(const QImage &image, const RectangleDetectionOptions &options = {});

} // namespace tovik
