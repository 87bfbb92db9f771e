#include "picturescan/picturegrouping.h"

#include "picturescan/picturerects.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <vector>

namespace tovik {

namespace {

using namespace picturerects;

constexpr double touchMargin = 1.5;
constexpr double minimumSide = 48;
constexpr double pageSizedShare = 0.92;

bool hasArea(const QRectF &cropBox)
{
    return cropBox.width() > 1 && cropBox.height() > 1;
}

bool coversPage(const QRectF &box, const QRectF &cropBox)
{
    return box.width() >= pageSizedShare * cropBox.width() && box.height() >= pageSizedShare * cropBox.height();
}

class DisjointSets
{
public:
    explicit DisjointSets(size_t count) : m_parent(count) { std::iota(m_parent.begin(), m_parent.end(), size_t(0)); }

    size_t root(size_t i)
    {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }

    // The smaller index becomes the root, so a set is named by its first member.
    void join(size_t a, size_t b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            m_parent[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<size_t> m_parent;
};

// Group index of every placed image. Taking the first remaining image and adding
// touching ones until a pass adds nothing yields exactly the connected parts of the
// "grown boxes overlap" relation, so they are found here with a sweep over the left
// edges instead of repeated passes.
std::vector<size_t> groupRoots(const QList<PlacedImage> &placed)
{
    const size_t count = size_t(placed.size());
    std::vector<QRectF> boxes(count);
    for (size_t i = 0; i < count; ++i)
        boxes[i] = grown(placed[qsizetype(i)].bounds, touchMargin, touchMargin);
    std::vector<size_t> byLeft(count);
    std::iota(byLeft.begin(), byLeft.end(), size_t(0));
    std::sort(byLeft.begin(), byLeft.end(), [&](size_t a, size_t b) { return boxes[a].x() < boxes[b].x(); });

    DisjointSets sets(count);
    for (size_t k = 0; k < count; ++k) {
        const QRectF &a = boxes[byLeft[k]];
        const double right = a.x() + a.width();
        for (size_t m = k + 1; m < count && boxes[byLeft[m]].x() < right; ++m) {
            if (overlap(a, boxes[byLeft[m]]))
                sets.join(byLeft[k], byLeft[m]);
        }
    }
    std::vector<size_t> roots(count);
    for (size_t i = 0; i < count; ++i)
        roots[i] = sets.root(i);
    return roots;
}

// Placed images with identical boxes always share a group, so only one of each is
// kept (with the finest resolution), in the order of first appearance. Forms that
// draw the same image over and over then cost nothing in the grouping.
QList<PlacedImage> withoutRepeats(const QList<PlacedImage> &placed)
{
    std::vector<qsizetype> order(size_t(placed.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    auto box = [&](qsizetype i) {
        const QRectF &r = placed[i].bounds;
        return std::tuple(r.x(), r.y(), r.width(), r.height());
    };
    // Exact comparison on purpose: QRectF's == is fuzzy.
    std::sort(order.begin(), order.end(),
              [&](qsizetype a, qsizetype b) { return std::tuple_cat(box(a), std::tuple(a)) < std::tuple_cat(box(b), std::tuple(b)); });
    std::vector<qsizetype> firstOf(size_t(placed.size()));
    for (size_t k = 0; k < order.size(); ++k) {
        const bool repeat = k > 0 && box(order[k]) == box(order[k - 1]);
        firstOf[size_t(order[k])] = repeat ? firstOf[size_t(order[k - 1])] : order[k];
    }
    QList<PlacedImage> unique;
    std::vector<qsizetype> slot(size_t(placed.size()), -1);
    for (qsizetype i = 0; i < placed.size(); ++i) {
        qsizetype &target = slot[size_t(firstOf[size_t(i)])];
        if (target < 0) {
            target = unique.size();
            unique.append(placed[i]);
        } else {
            unique[target].pixelsPerPoint = std::max(unique[target].pixelsPerPoint, placed[i].pixelsPerPoint);
        }
    }
    return unique;
}

} // namespace

void sortIntoReadingOrder(QList<PagePicture> &pictures)
{
    // The comparison is not transitive (the 8-point tolerance), so only a sort that
    // never relies on transitivity for its bounds is safe here.
    std::stable_sort(pictures.begin(), pictures.end(),
                     [](const PagePicture &a, const PagePicture &b) { return readsBefore(a.bounds, b.bounds); });
}

QList<PagePicture> groupPlacedImages(const QList<PlacedImage> &allPlaced, const QRectF &cropBox)
{
    if (!hasArea(cropBox) || allPlaced.isEmpty())
        return {};

    // Groups in the order of their first member.
    const QList<PlacedImage> placed = withoutRepeats(allPlaced);
    const std::vector<size_t> roots = groupRoots(placed);
    std::vector<qsizetype> groupOfRoot(roots.size(), -1);
    QList<QRectF> unions;
    QList<double> resolutions;
    for (size_t i = 0; i < roots.size(); ++i) {
        const PlacedImage &image = placed[qsizetype(i)];
        qsizetype &group = groupOfRoot[roots[i]];
        if (group < 0) {
            group = unions.size();
            unions.append(image.bounds);
            resolutions.append(image.pixelsPerPoint);
        } else {
            unions[group] = unions[group].united(image.bounds);
            resolutions[group] = std::max(resolutions[group], image.pixelsPerPoint);
        }
    }

    QList<PagePicture> pictures;
    for (qsizetype g = 0; g < unions.size(); ++g) {
        const QRectF box = clipped(unions[g], cropBox);
        if (box.width() >= minimumSide && box.height() >= minimumSide && !coversPage(box, cropBox))
            pictures.append({box, resolutions[g]});
    }

    sortIntoReadingOrder(pictures);
    if (pictures.size() > maximumPicturesPerPage) {
        std::stable_sort(pictures.begin(), pictures.end(),
                         [](const PagePicture &a, const PagePicture &b) { return area(a.bounds) > area(b.bounds); });
        pictures.resize(maximumPicturesPerPage);
        sortIntoReadingOrder(pictures);
    }
    return pictures;
}

QList<PlacedImage> fullPageImages(const QList<PlacedImage> &placed, const QRectF &cropBox)
{
    QList<PlacedImage> full;
    if (!hasArea(cropBox))
        return full;
    for (const PlacedImage &image : placed) {
        if (coversPage(clipped(image.bounds, cropBox), cropBox))
            full.append(image);
    }
    return full;
}

} // namespace tovik
