#include "ocr/textrectangledetector.h"

#include <tesseract/baseapi.h>
#include <tesseract/pageiterator.h>
#include <tesseract/publictypes.h>

#include <memory>

namespace tovik {

namespace {

tesseract::TessBaseAPI &threadEngine()
{
    // Tesseract engines are not safe to share between threads.
    thread_local std::unique_ptr<tesseract::TessBaseAPI> engine = [] {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        api->InitForAnalysePage();
        api->SetVariable("debug_file", "/dev/null");
        api->SetPageSegMode(tesseract::PSM_AUTO);
        return api;
    }();
    return *engine;
}

QList<QRectF> analyse(const QImage &image, int pixelsPerInch)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    if (gray.isNull() || gray.width() < 8 || gray.height() < 8)
        return {};
    const double width = gray.width();
    const double height = gray.height();

    tesseract::TessBaseAPI &api = threadEngine();
    api.SetImage(gray.constBits(), gray.width(), gray.height(), 1, int(gray.bytesPerLine()));
    if (pixelsPerInch > 0)
        api.SetSourceResolution(pixelsPerInch);

    QList<QRectF> lines;
    std::unique_ptr<tesseract::PageIterator> it(api.AnalyseLayout());
    if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
        it->Begin();
        do {
            if (!tesseract::PTIsTextType(it->BlockType()))
                continue;
            int left = 0, top = 0, right = 0, bottom = 0;
            if (it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom) && right > left && bottom > top)
                lines.append(QRectF(left / width, 1 - bottom / height, (right - left) / width, (bottom - top) / height));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    it.reset();
    // Drop the image and the layout so the engine holds no page between calls.
    api.Clear();
    return lines;
}

} // namespace

QList<QRectF> detectTextRectangles(const QImage &image, int pixelsPerInch)
{
    try {
        return analyse(image, pixelsPerInch);
    } catch (...) {
        return {};
    }
}

} // namespace tovik
