#pragma once

#include "preview/recognizedpagetext.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace tovik {

// Between a view that shows a whole picture (y growing downwards, origin at its
// top-left corner) and the picture's normalized coordinates used by recognized text
// (0 to 1, origin at the lower left, y growing upwards).
class PictureViewGeometry final
{
public:
    // None for a view less than 1 point wide or high.
    static std::optional<QPointF> normalizedPoint(QPointF viewPoint, const QSizeF &viewSize);
    // The rectangle spanned by two view points, normalized.
    static std::optional<QRectF> normalizedRect(QPointF from, QPointF to, const QSizeF &viewSize);
    static QRectF viewRect(const QRectF &normalized, const QSizeF &viewSize);

    // What a selection of glyphs looks like in the view: one rectangle per run of
    // consecutive indexes on one line (the union of their boxes); empty boxes and
    // indexes outside the text are left out.
    static QList<QRectF> selectionRects(const RecognizedPageText &text, const GlyphIndexSet &glyphs,
                                        const QSizeF &viewSize);
};

} // namespace tovik
