#pragma once

#include "extracteddocument.h"

namespace ragtool {

// Recognized text of an image file (a scan or a photo of a page): one page.
class ImageReader final
{
public:
    static bool read(const QString &path, ExtractedDocument *document, QString *error);

    static constexpr int maxSide = 16000;        // pixels; larger images are refused
    static constexpr int upscaleBelow = 1200;    // small images are enlarged for recognition
};

} // namespace ragtool
