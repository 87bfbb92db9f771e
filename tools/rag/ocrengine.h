#pragma once

#include <QString>

#include <memory>

class QImage;

namespace tesseract {
class TessBaseAPI;
}

namespace ragtool {

// One Tesseract engine for Traditional Chinese and English. An engine is not thread
// safe: each thread that recognizes text makes its own.
class OcrEngine final
{
public:
    OcrEngine();
    ~OcrEngine();
    OcrEngine(const OcrEngine &) = delete;
    OcrEngine &operator=(const OcrEngine &) = delete;

    // Loads the language data; falls back to English alone when Chinese is missing.
    bool start(QString *error);
    QString languages() const { return m_languages; }

    // Text of an image scanned at dpi (0 when unknown), in reading order.
    QString recognize(const QImage &image, int dpi);
    // The same for an image file that Qt can't decode (TIFF), read by Leptonica.
    bool recognizeFile(const QString &path, QString *text, QString *error);

private:
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    QString m_languages;
};

} // namespace ragtool
