#pragma once

#include "preview/citeddocument.h"
#include "preview/renderedpage.h"

#include <QString>

namespace tovik {

// One row of the documents sidebar list. Which fields are set depends on the kind:
// a header carries its document (and its filename), a page row its filename and
// page, a loading row nothing.
struct PreviewRow
{
    enum class Kind { header, page, loading };

    Kind kind = Kind::loading;
    CitedDocument document; // header
    QString filename;       // header and page
    RenderedPage page;      // page

    static PreviewRow headerRow(const CitedDocument &document);
    static PreviewRow pageRow(const QString &filename, const RenderedPage &page);
    static PreviewRow loadingRow();

    // Stable across loads: "preview-file:" + filename; "preview-page:" + filename +
    // U+001E + page number; "preview-loading".
    QString identity() const;
    // The identity of the page row of `page` of `filename`.
    static QString pageIdentity(const QString &filename, qint64 page);

    // Page rows: the key of the page's recognized text (filename, U+001E, page).
    QString textKey() const;

    friend bool operator==(const PreviewRow &, const PreviewRow &) = default;
};

} // namespace tovik
