#pragma once

#include "pdf/textrange.h"
#include "preview/recognizedpagetext.h"

#include <QString>

namespace tovik {

// One find match on a cited page: a range of the PDF page's text (`pdf`) or of the
// recognized text's search text with the glyphs it covers (`ocr`).
struct PreviewTextMatch
{
    enum class Source { pdf, ocr };

    QString filename;
    qint64 pageNumber = 0;
    TextRange range;
    Source source = Source::pdf;
    GlyphIndexSet ocrGlyphs; // empty for pdf

    // Filename, page number, "ocr" or "pdf", location and length, joined by U+001E:
    // survives a rebuild of the match list, so the active match can be found again.
    QString identity() const
    {
        const QChar separator(0x1E);
        return filename + separator + QString::number(pageNumber) + separator
            + (source == Source::ocr ? QStringLiteral("ocr") : QStringLiteral("pdf")) + separator
            + QString::number(range.location) + separator + QString::number(range.length);
    }

    friend bool operator==(const PreviewTextMatch &, const PreviewTextMatch &) = default;
};

} // namespace tovik
