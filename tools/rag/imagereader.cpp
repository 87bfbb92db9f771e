#include "imagereader.h"

#include "log.h"
#include "ocrengine.h"

#include <QImage>
#include <QImageReader>

namespace ragtool {

bool ImageReader::read(const QString &path, ExtractedDocument *document, QString *error)
{
    OcrEngine engine;
    if (!engine.start(error))
        return false;

    QString text;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (reader.canRead()) {
        const QSize size = reader.size();
        if (size.width() > maxSide || size.height() > maxSide) {
            *error = QStringLiteral("the image is larger than %1 pixels on a side").arg(maxSide);
            return false;
        }
        QImage image = reader.read();
        if (image.isNull()) {
            *error = QStringLiteral("not a readable image (%1)").arg(reader.errorString());
            return false;
        }
        int dpi = int(image.dotsPerMeterX() * 0.0254 + 0.5);
        if (dpi < 70 || dpi > 1200)
            dpi = 0;
        if (std::max(image.width(), image.height()) < upscaleBelow) {
            image = image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            dpi *= 2;
        }
        log::info(QStringLiteral("recognizing the text of a %1 x %2 image (%3)")
                      .arg(image.width())
                      .arg(image.height())
                      .arg(engine.languages()));
        text = engine.recognize(image, dpi);
    } else {
        // Formats Qt can't decode here (TIFF, WebP) are left to Leptonica.
        log::info(QStringLiteral("recognizing the text of the image (%1)").arg(engine.languages()));
        if (!engine.recognizeFile(path, &text, error))
            return false;
    }
    document->kind = QStringLiteral("image");
    document->pageCount = 1;
    document->pages = {PageText{1, text}};
    return true;
}

} // namespace ragtool
