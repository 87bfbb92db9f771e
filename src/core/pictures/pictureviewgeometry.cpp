#include "pictures/pictureviewgeometry.h"

namespace tovik {

namespace {
bool usable(const QSizeF &viewSize)
{
    return viewSize.width() >= 1 && viewSize.height() >= 1;
}
} // namespace

std::optional<QPointF> PictureViewGeometry::normalizedPoint(QPointF viewPoint, const QSizeF &viewSize)
{
    if (!usable(viewSize))
        return std::nullopt;
    return QPointF(viewPoint.x() / viewSize.width(), 1.0 - viewPoint.y() / viewSize.height());
}

std::optional<QRectF> PictureViewGeometry::normalizedRect(QPointF from, QPointF to, const QSizeF &viewSize)
{
    const std::optional<QPointF> a = normalizedPoint(from, viewSize);
    const std::optional<QPointF> b = normalizedPoint(to, viewSize);
    if (!a || !b)
        return std::nullopt;
    return QRectF(*a, *b).normalized();
}

QRectF PictureViewGeometry::viewRect(const QRectF &normalized, const QSizeF &viewSize)
{
    const QRectF box = normalized.normalized();
    return QRectF(box.left() * viewSize.width(), (1.0 - box.bottom()) * viewSize.height(),
                  box.width() * viewSize.width(), box.height() * viewSize.height());
}

QList<QRectF> PictureViewGeometry::selectionRects(const RecognizedPageText &text, const GlyphIndexSet &glyphs,
                                                  const QSizeF &viewSize)
{
    const QList<RecognizedPageText::Glyph> &all = text.glyphs();
    QList<QRectF> rects;
    QRectF run;
    qsizetype previous = -2;
    qint64 runLine = 0;
    const auto flush = [&] {
        if (!run.isEmpty())
            rects.append(run);
        run = QRectF();
    };
    for (qsizetype index : glyphs) {
        if (index < 0 || index >= all.size())
            continue;
        const RecognizedPageText::Glyph &glyph = all[index];
        if (index != previous + 1 || glyph.lineID != runLine)
            flush();
        previous = index;
        runLine = glyph.lineID;
        const QRectF box = viewRect(glyph.bounds, viewSize);
        if (!box.isEmpty())
            run = run.isEmpty() ? box : run.united(box);
    }
    flush();
    return rects;
}

} // namespace tovik
