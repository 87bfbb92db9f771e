#pragma once

#include "extracteddocument.h"

#include <vector>

namespace ragtool {

// Text of a PDF page by page. Pages without a text layer (scans) are rendered and
// recognized, on several threads with one engine and one document handle each.
class PdfReader final
{
public:
    static bool read(const QString &path, ExtractedDocument *document, QString *error);

    // Fewer letters or digits than this and the page counts as having no text layer.
    static constexpr int minTextLayerCharacters = 8;
    static constexpr int renderDpi = 300;
    static constexpr int maxRenderPixels = 4200; // longer side; huge pages get fewer dpi

private:
    static void recognizePages(const QString &path, const QList<int> &pageIndexes, std::vector<QString> *texts);
};

} // namespace ragtool
