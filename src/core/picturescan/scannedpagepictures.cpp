#include "picturescan/scannedpagepictures.h"

#include "picturescan/picturerects.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tovik {

namespace {

using namespace picturerects;

constexpr int columnCount = 100;
constexpr int sampleStride = 3;
constexpr int inkLimit = 680;
constexpr double occupiedShare = 0.035;
constexpr int largestGap = 4;

bool within(double value, double low, double high)
{
    return value >= low && value <= high;
}

bool plausibleHeight(const QRectF &box)
{
    return within(box.height(), 0.12, 0.45);
}

int floorIndex(double value)
{
    // Saturates instead of overflowing on absurd input.
    return int(std::clamp(std::floor(value), -1.0e9, 1.0e9));
}

// Rows of the band in memory order. Detection boxes have their origin at the bottom
// of the image, but QImage rows run from the top, so the band is taken from the
// flipped y values: it covers the rows the box actually lies on. (Reading minY·H as
// a memory row would sample the mirror image of the band.)
std::pair<int, int> bandRows(const QRectF &box, int height)
{
    const int first = std::max(0, floorIndex((1 - maxY(box)) * height));
    const int end = std::min(height, std::max(first + 1, floorIndex((1 - minY(box)) * height)));
    return {first, end};
}

std::array<bool, columnCount> occupiedColumns(const QImage &rgba, int firstRow, int endRow)
{
    std::array<bool, columnCount> occupied{};
    const int width = rgba.width();
    for (int column = 0; column < columnCount; ++column) {
        const int from = int((qint64(width) * column) / columnCount);
        const int to = std::min(width, std::max(from + 1, int((qint64(width) * (column + 1)) / columnCount)));
        int samples = 0;
        int ink = 0;
        for (int row = firstRow; row < endRow; row += sampleStride) {
            const uchar *line = rgba.constScanLine(row);
            for (int x = from; x < to; x += sampleStride) {
                const uchar *pixel = line + 4 * x;
                ++samples;
                if (int(pixel[0]) + pixel[1] + pixel[2] < inkLimit)
                    ++ink;
            }
        }
        occupied[size_t(column)] = samples > 0 && double(ink) / samples > occupiedShare;
    }
    return occupied;
}

std::optional<QRectF> refine(const QImage &rgba, const QRectF &candidate)
{
    if (rgba.isNull() || rgba.height() < 1 || rgba.width() < 1)
        return std::nullopt;
    const auto [firstRow, endRow] = bandRows(candidate, rgba.height());
    if (firstRow >= endRow)
        return std::nullopt;
    const std::array<bool, columnCount> occupied = occupiedColumns(rgba, firstRow, endRow);

    const int start = std::clamp(floorIndex(candidate.x() * columnCount), 0, columnCount - 1);
    const int stop = std::clamp(floorIndex((candidate.x() + candidate.width()) * columnCount), start, columnCount - 1);
    int seed = -1;
    for (int column = start; column <= stop && seed < 0; ++column) {
        if (occupied[size_t(column)])
            seed = column;
    }
    if (seed < 0)
        return std::nullopt;

    auto reach = [&](int step) {
        int last = seed;
        int gap = 0;
        for (int column = seed + step; column >= 0 && column < columnCount; column += step) {
            if (occupied[size_t(column)]) {
                last = column;
                gap = 0;
            } else if (++gap > largestGap) {
                break;
            }
        }
        return last;
    };
    const int left = reach(-1);
    const int right = reach(+1);
    return QRectF(double(left) / columnCount, candidate.y(), double(right + 1 - left) / columnCount,
                  candidate.height());
}

double textCoverage(const QRectF &box, const QList<QRectF> &textBoxes)
{
    double covered = 0;
    for (const QRectF &text : textBoxes)
        covered += area(clipped(box, text));
    return covered;
}

} // namespace

std::optional<QRectF> refinedHorizontalExtent(const QImage &rendering, const QRectF &candidate)
{
    return refine(rendering.convertToFormat(QImage::Format_RGBA8888), candidate);
}

QList<QRectF> mergeNearbyBoxes(QList<QRectF> boxes)
{
    std::stable_sort(boxes.begin(), boxes.end(), [](const QRectF &a, const QRectF &b) { return area(a) > area(b); });
    QList<QRectF> merged;
    for (const QRectF &box : boxes) {
        const QRectF reach = grown(box, 0.02, 0.02);
        auto joined = std::find_if(merged.begin(), merged.end(), [&](const QRectF &m) { return overlap(reach, m); });
        if (joined != merged.end())
            *joined = joined->united(box);
        else
            merged.append(box);
    }
    return merged;
}

QList<QRectF> picturesInScan(const QImage &rendering, const QList<DetectedRectangle> &rectangles,
                             const QList<QRectF> &textBoxes)
{
    const QImage rgba = rendering.convertToFormat(QImage::Format_RGBA8888);
    QList<QRectF> kept;
    for (const DetectedRectangle &rectangle : rectangles) {
        const QRectF &candidate = rectangle.bounds;
        if (rectangle.confidence < 0.9 || !plausibleHeight(candidate) || !within(candidate.width(), 0.06, 0.9))
            continue;
        const std::optional<QRectF> refined = refine(rgba, candidate);
        if (!refined)
            continue;
        const double refinedArea = area(*refined);
        if (refined->width() < 0.2 || !plausibleHeight(*refined) || !(refinedArea > 0))
            continue;
        if (textCoverage(*refined, textBoxes) > 0.18 * refinedArea)
            continue;
        kept.append(grown(*refined, 0.012, 0.008));
    }

    QList<QRectF> pictures;
    for (const QRectF &box : mergeNearbyBoxes(kept)) {
        if (within(box.width(), 0.2, 0.94) && plausibleHeight(box))
            pictures.append(box);
    }
    return pictures;
}

} // namespace tovik
