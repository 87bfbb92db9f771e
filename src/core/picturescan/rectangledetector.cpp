#include "picturescan/rectangledetector.h"

#include "picturescan/picturerects.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace tovik {

namespace {

double length(const cv::Point &p)
{
    return std::hypot(double(p.x), double(p.y));
}

// Largest deviation of an interior angle from 90 degrees.
double cornerDeviation(const std::vector<cv::Point> &quad)
{
    double worst = 0;
    for (size_t k = 0; k < 4; ++k) {
        const cv::Point a = quad[(k + 3) % 4] - quad[k];
        const cv::Point b = quad[(k + 1) % 4] - quad[k];
        const double la = length(a);
        const double lb = length(b);
        if (la <= 0 || lb <= 0)
            return 90;
        const double cosine = std::clamp((double(a.x) * b.x + double(a.y) * b.y) / (la * lb), -1.0, 1.0);
        worst = std::max(worst, std::abs(std::acos(cosine) * 180 / std::numbers::pi - 90));
    }
    return worst;
}

// Share of points along the sides that lie on the (widened) edge map.
double edgeSupport(const std::vector<cv::Point> &quad, const cv::Mat &support)
{
    int onEdge = 0;
    int samples = 0;
    for (size_t k = 0; k < 4; ++k) {
        const cv::Point from = quad[k];
        const cv::Point to = quad[(k + 1) % 4];
        const int steps = std::max(1, int(length(to - from) / 2));
        for (int s = 0; s < steps; ++s) {
            const double t = double(s) / steps;
            const int x = std::clamp(int(std::lround(from.x + t * (to.x - from.x))), 0, support.cols - 1);
            const int y = std::clamp(int(std::lround(from.y + t * (to.y - from.y))), 0, support.rows - 1);
            ++samples;
            if (support.at<uchar>(y, x))
                ++onEdge;
        }
    }
    return samples ? double(onEdge) / samples : 0;
}

double overlapShare(const QRectF &a, const QRectF &b)
{
    const QRectF common = picturerects::clipped(a, b);
    const double unionArea = picturerects::area(a) + picturerects::area(b) - picturerects::area(common);
    return unionArea > 0 ? picturerects::area(common) / unionArea : 0;
}

// The candidate of one closed contour, if it is a large enough, square-cornered,
// well-supported quadrilateral: its bounds normalized to the image, y upwards.
std::optional<DetectedRectangle> candidate(const std::vector<cv::Point> &contour, const cv::Mat &support,
                                           const cv::Size &image, const RectangleDetectionOptions &options)
{
    const double minimumSide = options.minimumSize * std::min(image.width, image.height);
    const cv::Rect outline = cv::boundingRect(contour);
    if (std::min(outline.width, outline.height) < minimumSide)
        return std::nullopt;
    std::vector<cv::Point> quad;
    cv::approxPolyDP(contour, quad, 0.02 * cv::arcLength(contour, true), true);
    if (quad.size() != 4 || !cv::isContourConvex(quad))
        return std::nullopt;
    const double deviation = cornerDeviation(quad);
    if (deviation > options.quadratureToleranceDegrees)
        return std::nullopt;
    const double across = (length(quad[1] - quad[0]) + length(quad[3] - quad[2])) / 2;
    const double along = (length(quad[2] - quad[1]) + length(quad[0] - quad[3])) / 2;
    const double shorter = std::min(across, along);
    const double longer = std::max(across, along);
    if (longer <= 0 || shorter < minimumSide)
        return std::nullopt;
    const double aspect = shorter / longer;
    if (aspect < options.minimumAspectRatio || aspect > options.maximumAspectRatio)
        return std::nullopt;
    const double confidence = edgeSupport(quad, support) * (1 - deviation / 90);
    if (confidence < options.minimumConfidence)
        return std::nullopt;
    const cv::Rect box = cv::boundingRect(quad);
    // Pixel rows run downwards; normalized y runs upwards from the bottom.
    const QRectF normalized(double(box.x) / image.width, 1 - double(box.y + box.height) / image.height,
                            double(box.width) / image.width, double(box.height) / image.height);
    return DetectedRectangle{normalized, confidence};
}

// The most confident first, larger before smaller; a candidate mostly covered by one
// kept before it is the same rectangle found twice.
QList<DetectedRectangle> strongest(std::vector<DetectedRectangle> found, int maximum)
{
    std::stable_sort(found.begin(), found.end(), [](const DetectedRectangle &a, const DetectedRectangle &b) {
        if (a.confidence != b.confidence)
            return a.confidence > b.confidence;
        return picturerects::area(a.bounds) > picturerects::area(b.bounds);
    });
    QList<DetectedRectangle> kept;
    for (const DetectedRectangle &candidate : found) {
        if (kept.size() >= maximum)
            break;
        const bool duplicate = std::any_of(kept.cbegin(), kept.cend(), [&](const DetectedRectangle &other) {
            return overlapShare(candidate.bounds, other.bounds) >= 0.8;
        });
        if (!duplicate)
            kept.append(candidate);
    }
    return kept;
}

QList<DetectedRectangle> detect(const QImage &image, const RectangleDetectionOptions &options)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    if (gray.isNull() || gray.width() < 3 || gray.height() < 3)
        return {};
    const cv::Mat pixels(gray.height(), gray.width(), CV_8UC1, const_cast<uchar *>(gray.constBits()),
                         size_t(gray.bytesPerLine()));

    cv::Mat blurred;
    cv::GaussianBlur(pixels, blurred, cv::Size(3, 3), 0);
    cv::Mat edges;
    cv::Canny(blurred, edges, 40, 120);
    cv::Mat closed;
    cv::dilate(edges, closed, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3)));
    cv::Mat support;
    cv::dilate(edges, support, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));

    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(closed, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    std::vector<DetectedRectangle> found;
    for (const std::vector<cv::Point> &contour : contours) {
        if (auto rectangle = candidate(contour, support, pixels.size(), options))
            found.push_back(*rectangle);
    }
    return strongest(std::move(found), options.maximumObservations);
}

} // namespace

QList<DetectedRectangle> detectRectangles(const QImage &image, const RectangleDetectionOptions &options)
{
    try {
        return detect(image, options);
    } catch (...) {
        // cv::Exception or an allocation failure: no rectangles.
        return {};
    }
}

} // namespace tovik
