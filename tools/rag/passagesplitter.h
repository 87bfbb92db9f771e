#pragma once

#include "extracteddocument.h"

namespace ragtool {

// Cuts page texts into passages of a few sentences; a line feed separates paragraphs. Passages never span two pages, so
// every passage keeps the page it came from for its citation.
class PassageSplitter final
{
public:
    static constexpr int maxWeight = 600;  // weighted characters (see text::weightedLength)
    static constexpr int flushWeight = 240; // a paragraph boundary ends a passage this long

    static QList<Passage> split(const QList<PageText> &pages);
};

} // namespace ragtool
