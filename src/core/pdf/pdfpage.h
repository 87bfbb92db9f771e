#pragma once

#include "pdf/pdfpagegeometry.h"
#include "pdf/pdftextlayer.h"

#include <QImage>

#include <memory>

namespace tovik {

// One page of an open PdfDocument. Page objects are handed out by the document and
// are stable: asking the document for the same index again gives the same object,
// so callers may compare pointers to notice a different page. A page keeps its
// document's data alive.
//
// Threads: every call may run on any thread. Calls on the pages of one document are
// serialized by the backend (the PDF library is not safe for concurrent use of one
// document), so a long render on a worker holds up text queries on the same
// document, never those of another document.
class PdfPage
{
public:
    virtual ~PdfPage() = default;

    // 0-based position in the document.
    virtual int index() const = 0;

    // Crop box in page space and display rotation.
    virtual PdfPageGeometry geometry() const = 0;

    // The crop box rendered with its rotation applied, `pixelWidth` pixels wide and
    // pixelWidth × displayed height ÷ displayed width (rounded, at least 1) high,
    // on white. A null image for a page under 1 point wide or high, or when
    // rendering fails.
    virtual QImage render(int pixelWidth) const = 0;

    // The page's text with character boxes in page space. Extracted on first use and
    // kept for the life of the page; the result is shared and immutable.
    virtual std::shared_ptr<const PdfTextLayer> textLayer() const = 0;

protected:
    PdfPage() = default;
    Q_DISABLE_COPY_MOVE(PdfPage)
};

} // namespace tovik
