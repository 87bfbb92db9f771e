#pragma once

#include "pdf/textrange.h"

#include <QString>

namespace tovik {

// One citation marker of an answer: where it stands, from its "[" to its "]", and the
// file and page it cites (the filename trimmed as for CitedPage).
struct CitationMarker
{
    TextRange range;
    QString filename;
    qint64 page = 0;

    friend bool operator==(const CitationMarker &, const CitationMarker &) = default;
};

} // namespace tovik
