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
    QString caption; // "{filename} page {page}", filled and translated
    QString sourcePath; // the PDF file: its pictures are read from it, its recognized text kept for it
};

} // namespace tovik
