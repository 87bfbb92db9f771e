#pragma once

#include <QRectF>

#include <cmath>

// Rectangle arithmetic for the picture scanner. Rectangles here live in y-up spaces
// (page space, or normalized units with the origin at the lower left), so the names
// say minY / maxY rather than Qt's top / bottom.
namespace tovik::picturerects {

inline double minY(const QRectF &r) { return r.y(); }
inline double maxY(const QRectF &r) { return r.y() + r.height(); }
inline double area(const QRectF &r) { return r.width() * r.height(); }

inline QRectF grown(const QRectF &r, double dx, double dy)
{
    return QRectF(r.x() - dx, r.y() - dy, r.width() + 2 * dx, r.height() + 2 * dy);
}

// True when the two share an area; rectangles that only touch do not intersect.
inline bool overlap(const QRectF &a, const QRectF &b)
{
    return a.x() < b.x() + b.width() && b.x() < a.x() + a.width() && a.y() < maxY(b) && b.y() < maxY(a);
}

// The common part, or an empty rectangle.
inline QRectF clipped(const QRectF &r, const QRectF &to)
{
    return overlap(r, to) ? r.intersected(to) : QRectF();
}

inline bool isFinite(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

// Reading order: a clearly higher top (more than 8 points) comes first; tops within
// 8 points of each other read left to right.
inline bool readsBefore(const QRectF &a, const QRectF &b)
{
    const double dy = maxY(a) - maxY(b);
    if (std::abs(dy) > 8)
        return dy > 0;
    return a.x() < b.x();
}

} // namespace tovik::picturerects
