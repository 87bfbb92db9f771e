#pragma once

#include "extracteddocument.h"

#include <QStringList>

namespace ragtool {

// Picks the reader for a file by its extension and takes its text out.
class DocumentReader final
{
public:
    enum class Format { unsupported, pdf, image, text, markdown, docx, pptx };

    static Format formatOf(const QString &path);
    static QStringList supportedSuffixes();

    static bool read(const QString &path, Format format, ExtractedDocument *document, QString *error);
};

} // namespace ragtool
