#pragma once

#include "extracteddocument.h"

namespace ragtool {

// Text of Word (.docx) and PowerPoint (.pptx) files, read from the XML parts of the
// zip container. Paragraph text only: no headers, notes or embedded objects.
class OfficeReader final
{
public:
    static bool readDocx(const QString &path, ExtractedDocument *document, QString *error);
    // One page per slide, in the order of the presentation.
    static bool readPptx(const QString &path, ExtractedDocument *document, QString *error);

    // A part larger than this is refused rather than inflated (zip bombs).
    static constexpr qint64 maxPartBytes = 64LL * 1024 * 1024;
};

} // namespace ragtool
