#include "preview/citationpageorder.h"

#include "i18n/translate.h"

namespace tovik {

QString rawValue(CitationPageOrder order)
{
    return order == CitationPageOrder::pageNumber ? QStringLiteral("pageNumber") : QStringLiteral("source");
}

QString displayLabel(CitationPageOrder order)
{
    return translate(order == CitationPageOrder::pageNumber ? QStringLiteral("Page number")
                                                            : QStringLiteral("Answer order"));
}

} // namespace tovik
