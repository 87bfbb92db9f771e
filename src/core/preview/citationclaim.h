#pragma once

#include "preview/citationmarker.h"

#include <QString>

namespace tovik {

// What one citation marker vouches for: the answer text it closes (`range`, in the
// answer) and that text as it is matched against the cited page (`text`, at most its
// last AnswerClaims::maxClaimLength characters).
struct CitationClaim
{
    CitationMarker marker;
    TextRange range;
    QString text;

    friend bool operator==(const CitationClaim &, const CitationClaim &) = default;
};

} // namespace tovik
