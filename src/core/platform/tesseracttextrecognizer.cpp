#include "platform/tesseracttextrecognizer.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <QPainter>

#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tovik {

namespace {

void limitOpenMP()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // libgomp is loaded with libtesseract; no active parallel level means every
        // parallel region runs on the calling thread alone, the in-process
        // equivalent of OMP_THREAD_LIMIT=1 (which libgomp reads only at load time).
        using SetLevels = void (*)(int);
        if (auto setLevels = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
            setLevels(0);
    });
}

struct Engine
{
    std::unique_ptr<tesseract::TessBaseAPI> api;
    QByteArray languages;
    bool dictionaries = true;
};

tesseract::TessBaseAPI *engineFor(const QByteArray &languages, bool dictionaries)
{
    thread_local Engine engine;
    if (engine.api && engine.languages == languages && engine.dictionaries == dictionaries)
        return engine.api.get();
    engine = {};
    limitOpenMP();
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    std::vector<std::string> names;
    std::vector<std::string> values;
    if (!dictionaries) {
        for (const char *name : {"load_system_dawg", "load_freq_dawg"}) {
            names.emplace_back(name);
            values.emplace_back("0");
        }
    }
    if (api->Init(nullptr, languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0)
        return nullptr;
    api->SetPageSegMode(tesseract::PSM_AUTO);
    api->SetVariable("debug_file", "/dev/null");
    engine = {std::move(api), languages, dictionaries};
    return engine.api.get();
}

// Eight bits of grey on white: transparent areas must not read as black ink.
QImage greyscaleOnWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat.convertToFormat(QImage::Format_Grayscale8);
}

int resolutionOf(const QImage &image)
{
    const int dpi = qRound(image.dotsPerMeterX() * 0.0254);
    return qBound(70, dpi, 1200);
}

bool isCjk(char32_t c)
{
    const QChar::Script script = QChar::script(c);
    if (script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana
        || script == QChar::Script_Hangul || script == QChar::Script_Bopomofo)
        return true;
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF);
}

// Tesseract separates words with a space; between Chinese characters that space
// is not in the text and would break search.
bool spaceBetween(const QString &before, const QString &after)
{
    const QList<uint> last = before.right(2).toUcs4();
    const QList<uint> first = after.left(2).toUcs4();
    if (last.isEmpty() || first.isEmpty())
        return false;
    return !(isCjk(last.last()) && isCjk(first.first()));
}

QRectF normalized(int left, int top, int right, int bottom, const QSize &size)
{
    const qreal w = size.width();
    const qreal h = size.height();
    return QRectF(left / w, 1.0 - bottom / h, (right - left) / w, (bottom - top) / h);
}

QString symbolText(tesseract::ResultIterator &it)
{
    const std::unique_ptr<char[]> utf8(it.GetUTF8Text(tesseract::RIL_SYMBOL));
    return utf8 ? QString::fromUtf8(utf8.get()) : QString();
}

// Walks the symbols of the line the iterator is on; leaves it on the line's last one.
TextObservation readLine(tesseract::ResultIterator &it, const QSize &size)
{
    TextObservation line;
    int l = 0, t = 0, r = 0, b = 0;
    if (it.BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b))
        line.bounds = normalized(l, t, r, b, size);
    do {
        const bool wordStart = it.IsAtBeginningOf(tesseract::RIL_WORD);
        const QString symbol = symbolText(it);
        if (symbol.isEmpty())
            continue;
        TextObservation::Symbol entry{0, symbol.size(), {}};
        if (it.BoundingBox(tesseract::RIL_SYMBOL, &l, &t, &r, &b))
            entry.bounds = normalized(l, t, r, b, size);
        if (wordStart && spaceBetween(line.text, symbol)) {
            const qreal gapLeft = line.symbols.isEmpty() ? line.bounds.left() : line.symbols.last().bounds.right();
            const QRectF gap(gapLeft, line.bounds.top(), entry.bounds.left() - gapLeft, line.bounds.height());
            line.symbols.append({line.text.size(), 1, gap.width() > 0 ? gap : QRectF()});
            line.text += QLatin1Char(' ');
        }
        entry.location = line.text.size();
        line.symbols.append(entry);
        line.text += symbol;
    } while (!it.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_SYMBOL) && it.Next(tesseract::RIL_SYMBOL));
    return line;
}

bool isCancelled(void *flag, int)
{
    return static_cast<const std::atomic_bool *>(flag)->load();
}

} // namespace

QByteArray TesseractTextRecognizer::tesseractLanguages(const QStringList &languages)
{
    QByteArrayList codes;
    for (const QString &tag : languages) {
        const QString lower = tag.toLower();
        QByteArray code;
        if (lower == u"zh-hant" || lower.startsWith(u"zh-hant-") || lower == u"zh-tw" || lower == u"zh-hk"
            || lower == u"yue" || lower.startsWith(u"yue-"))
            code = "chi_tra";
        else if (lower == u"en" || lower.startsWith(u"en-"))
            code = "eng";
        if (!code.isEmpty() && !codes.contains(code))
            codes.append(code);
    }
    return codes.isEmpty() ? QByteArray("eng") : codes.join('+');
}

std::optional<QList<TextObservation>> TesseractTextRecognizer::recognize(const QImage &image,
                                                                         const TextRecognitionRequest &request,
                                                                         const std::atomic_bool *cancelled) const
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return std::nullopt;
    tesseract::TessBaseAPI *api = engineFor(tesseractLanguages(request.languages), request.languageCorrection);
    if (!api)
        return std::nullopt;

    const QImage grey = greyscaleOnWhite(image);
    api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api->SetSourceResolution(resolutionOf(image));

    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &isCancelled;
    monitor.cancel_this = const_cast<std::atomic_bool *>(cancelled);
    const int status = api->Recognize(cancelled ? &monitor : nullptr);
    if (status != 0 || (cancelled && cancelled->load())) {
        api->Clear();
        return std::nullopt;
    }

    QList<TextObservation> lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            if (it->Empty(tesseract::RIL_TEXTLINE))
                continue;
            TextObservation line = readLine(*it, grey.size());
            if (!line.text.trimmed().isEmpty())
                lines.append(std::move(line));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api->Clear();
    return lines;
}

std::shared_ptr<TextRecognizer> systemTextRecognizer()
{
    static const std::shared_ptr<TextRecognizer> recognizer = std::make_shared<TesseractTextRecognizer>();
    return recognizer;
}

} // namespace tovik
