#pragma once

#include "pdf/pdfpage.h"
#include "pdf/textrange.h"
#include "preview/recognizedpagetext.h"

#include <QImage>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace tovik {

// What one page row hands its page view: the rendered page, its PDF page and text
// key, and the find highlights that fall on this page.
struct SelectablePDFPage
{
    // A claim of the answer that cites this page: its index among the answer's
    // claims and the text the page is searched for.
    struct Claim
    {
        int index = -1;
        QString text;
        friend bool operator==(const Claim &, const Claim &) = default;
    };

    QImage image;
    std::shared_ptr<PdfPage> pdfPage;
    QString textKey; // filename, U+001E, page number
    // Ranges of the page's text-layer matches, in match order.
    QList<TextRange> findRanges;
    std::optional<TextRange> activeFindRange;
    // Glyphs of the recognized-text matches on this page, and of the active one.
    GlyphIndexSet ocrFindGlyphs;
    GlyphIndexSet activeOCRFindGlyphs;
    // Every increase asks the view holding the active match to bring it into view.
    qint64 findReveal = 0;
    // The claims citing this page, in answer order; the active one (an index of the
    // answer's claims, -1 for none); every increase with the active claim on this page
    // asks the view to bring its passage into view and flash the page.
    QList<Claim> claims;
    int activeClaim = -1;
    qint64 claimReveal = 0;
    QString caption; // "{filename} page {page}", filled and translated
    QString sourcePath; // the PDF file: its pictures are read from it, its recognized text kept for it
};

} // namespace tovik
