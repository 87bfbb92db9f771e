#pragma once

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

namespace tovik {

// One recognized text line: its best reading and where its characters are.
// Rectangles are normalized to the image: x and y from 0 to 1, origin at the
// lower-left corner, y growing upwards.
struct TextObservation
{
    // A recognized symbol: the UTF-16 units of `text` it produced and its box.
    struct Symbol
    {
        qsizetype location = 0;
        qsizetype length = 0;
        QRectF bounds;

        friend bool operator==(const Symbol &, const Symbol &) = default;
    };

    QString text;
    QRectF bounds;
    // In text order. A space the recognizer put between two words is a symbol
    // too, boxed by the gap between them.
    QList<Symbol> symbols;

    // The box of exactly the units [location, location + length): the union of
    // the boxes of the symbols that overlap it. None for a range outside the text
    // or one that touches no symbol.
    std::optional<QRectF> boundingBox(qsizetype location, qsizetype length) const;

    friend bool operator==(const TextObservation &, const TextObservation &) = default;
};

} // namespace tovik
