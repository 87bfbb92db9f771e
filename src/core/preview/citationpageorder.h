#pragma once

#include <QString>

#include <array>

namespace tovik {

// How the pages of one cited document are listed; documents themselves always keep
// the order of first citation.
enum class CitationPageOrder { source, pageNumber };

// All cases in picker order; `source` is the default.
inline constexpr std::array<CitationPageOrder, 2> allCitationPageOrders{CitationPageOrder::source,
                                                                        CitationPageOrder::pageNumber};

// "source" / "pageNumber".
QString rawValue(CitationPageOrder order);
// "Answer order" / "Page number", translated into the current language at each call.
QString displayLabel(CitationPageOrder order);

} // namespace tovik
