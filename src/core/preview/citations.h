#pragma once

#include "preview/citationpageorder.h"
#include "preview/citationmarker.h"
#include "preview/citedpage.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <functional>

namespace tovik {

// The pages cited by markers such as "[來源: report.pdf p. 3]" in an answer: files in
// the order of their first citation, each file's pages in the order they first appear,
// no pair twice. Malformed markers are skipped one by one; never fails.
QList<CitedPage> citedPages(QStringView answer);

// Every well-formed marker of `text` in order, with its place counted from `offset`
// (the position of `text` in a longer one). The same markers citedPages reads.
QList<CitationMarker> citationMarkers(QStringView text, qsizetype offset = 0);
// The same, one marker at a time, until `visit` returns false.
void forEachCitationMarker(QStringView text, qsizetype offset, const std::function<bool(const CitationMarker &)> &visit);

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
