#pragma once

#include "preview/citationpageorder.h"
#include "preview/citedpage.h"

#include <QList>
#include <QString>

#include <algorithm>

namespace tovik {

// The pages cited by markers such as "[來源: report.pdf p. 3]" in an answer: files in
// the order of their first citation, each file's pages in the order they first appear,
// no pair twice. Malformed markers are skipped one by one; never fails.
QList<CitedPage> citedPages(QStringView answer);

// The pages of one document as they are listed: unchanged for `source`, ascending by
// page number (stable) for `pageNumber`. Works for any page type with a `page` field,
// so rendered pages are ordered by the same rule as cited ones.
template<typename Page>
QList<Page> orderPages(QList<Page> pages, CitationPageOrder order)
{
    if (order == CitationPageOrder::pageNumber)
        std::stable_sort(pages.begin(), pages.end(),
                         [](const Page &a, const Page &b) { return a.page < b.page; });
    return pages;
}

} // namespace tovik
