#pragma once

#include "pdf/textrange.h"

namespace tovik {

// The passage of a page that best supports a claim: a range of the page text,
// and how much of the claim's weight it covers (0 to 1).
struct PassageMatch
{
    TextRange range;
    double score = 0;

    friend bool operator==(const PassageMatch &, const PassageMatch &) = default;
};

} // namespace tovik
