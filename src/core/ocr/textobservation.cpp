#include "ocr/textobservation.h"

namespace tovik {

std::optional<QRectF> TextObservation::boundingBox(qsizetype location, qsizetype length) const
{
    if (location < 0 || length <= 0 || location + length > text.size())
        return std::nullopt;
    const qsizetype end = location + length;
    QRectF united;
    bool found = false;
    for (const Symbol &symbol : symbols) {
        if (symbol.location < end && symbol.location + symbol.length > location) {
            united = found ? united.united(symbol.bounds) : symbol.bounds;
            found = true;
        }
    }
    if (!found)
        return std::nullopt;
    return united;
}

} // namespace tovik
