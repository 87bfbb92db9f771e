#include "ocrengine.h"

#include "ocr/openmplimit.h"

#include <QFile>
#include <QImage>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <string>
#include <vector>

namespace ragtool {

OcrEngine::OcrEngine() = default;

OcrEngine::~OcrEngine()
{
    if (m_api)
        m_api->End();
}

bool OcrEngine::start(QString *error)
{
    // One recognizer thread per ingest worker: Tesseract's own OpenMP threads on top
    // made scanned pages several times slower.
    tovik::limitOpenMPToThisThread();
    // Tesseract's own chatter (resolution guesses and the like) would mix into our log.
    const std::vector<std::string> names = {"debug_file"};
    const std::vector<std::string> values = {"/dev/null"};
    for (const char *languages : {"chi_tra+eng", "eng"}) {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(nullptr, languages, tesseract::OEM_DEFAULT, nullptr, 0, &names, &values, false) == 0) {
            api->SetPageSegMode(tesseract::PSM_AUTO);
            m_api = std::move(api);
            m_languages = QString::fromLatin1(languages);
            return true;
        }
    }
    *error = QStringLiteral("Tesseract has no language data for chi_tra or eng (install tesseract-ocr-chi-tra and "
                            "tesseract-ocr-eng, or set TESSDATA_PREFIX)");
    return false;
}

QString OcrEngine::recognize(const QImage &image, int dpi)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    m_api->SetImage(gray.constBits(), gray.width(), gray.height(), 1, int(gray.bytesPerLine()));
    if (dpi > 0)
        m_api->SetSourceResolution(dpi);
    std::unique_ptr<char[]> text(m_api->GetUTF8Text());
    m_api->Clear();
    return text ? QString::fromUtf8(text.get()) : QString();
}

bool OcrEngine::recognizeFile(const QString &path, QString *text, QString *error)
{
    Pix *pix = pixRead(QFile::encodeName(path).constData());
    if (!pix) {
        *error = QStringLiteral("not a readable image");
        return false;
    }
    m_api->SetImage(pix);
    std::unique_ptr<char[]> utf8(m_api->GetUTF8Text());
    m_api->Clear();
    pixDestroy(&pix);
    *text = utf8 ? QString::fromUtf8(utf8.get()) : QString();
    return true;
}

} // namespace ragtool
