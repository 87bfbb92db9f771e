#include "ocr/tesseracttextrecognizer.h"

#include "ocr/cachingtextrecognizer.h"
#include "ocr/openmplimit.h"
#include "ocr/recognizedtextstore.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPainter>
#include <QThread>
#include <QThreadStorage>
#include <QtConcurrent>


#include <memory>
#include <string>
#include <vector>

namespace tovik {

namespace {

struct Engine
{
    std::unique_ptr<tesseract::TessBaseAPI> api;
    QByteArray languages;
    bool dictionaries = true;
};

tesseract::TessBaseAPI *engineFor(const QByteArray &languages, bool dictionaries)
{
    // Not thread_local: QThreadStorage frees a thread's engine as its QThread finishes,
    // before QThread::wait() returns, so a pool that is waited for is done with Tesseract.
    // A thread_local would be freed only as the system thread goes, after the wait, and
    // could still be freeing while the process tears down Tesseract's globals.
    static QThreadStorage<Engine *> engines;
    if (!engines.hasLocalData())
        engines.setLocalData(new Engine);
    Engine &engine = *engines.localData();
    if (engine.api && engine.languages == languages && engine.dictionaries == dictionaries)
        return engine.api.get();
    engine = {};
    limitOpenMPToThisThread();
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
// `top` is the band's first row in the whole image, `size` the whole image's size.
TextObservation readLine(tesseract::ResultIterator &it, int top, const QSize &size)
{
    TextObservation line;
    int l = 0, t = 0, r = 0, b = 0;
    if (it.BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b))
        line.bounds = normalized(l, t + top, r, b + top, size);
    do {
        const bool wordStart = it.IsAtBeginningOf(tesseract::RIL_WORD);
        const QString symbol = symbolText(it);
        if (symbol.isEmpty())
            continue;
        TextObservation::Symbol entry{0, symbol.size(), {}};
        if (it.BoundingBox(tesseract::RIL_SYMBOL, &l, &t, &r, &b))
            entry.bounds = normalized(l, t + top, r, b + top, size);
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

struct BandJob
{
    const QImage *grey;
    int top;
    int bottom;
    int resolution;
    QByteArray languages;
    bool dictionaries;
    const std::atomic_bool *cancelled;
};

// Reads rows [top, bottom) of the image with this thread's engine.
std::optional<QList<TextObservation>> readBand(const BandJob &job)
{
    tesseract::TessBaseAPI *api = engineFor(job.languages, job.dictionaries);
    if (!api)
        return std::nullopt;
    const QImage &grey = *job.grey;
    api->SetImage(grey.constScanLine(job.top), grey.width(), job.bottom - job.top, 1, int(grey.bytesPerLine()));
    api->SetSourceResolution(job.resolution);

    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &isCancelled;
    monitor.cancel_this = const_cast<std::atomic_bool *>(job.cancelled);
    const int status = api->Recognize(job.cancelled ? &monitor : nullptr);
    if (status != 0 || (job.cancelled && job.cancelled->load())) {
        api->Clear();
        return std::nullopt;
    }

    QList<TextObservation> lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it) {
        do {
            if (it->Empty(tesseract::RIL_TEXTLINE))
                continue;
            TextObservation line = readLine(*it, job.top, grey.size());
            if (!line.text.trimmed().isEmpty())
                lines.append(std::move(line));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api->Clear();
    return lines;
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

namespace {

// Where Tesseract finds its language data: TESSDATA_PREFIX when set, else the folders
// Debian's packages install to.
QString languageDataFingerprint()
{
    QStringList folders;
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        folders << prefix << prefix + QStringLiteral("/tessdata");
    folders << QStringLiteral("/usr/share/tesseract-ocr/5/tessdata") << QStringLiteral("/usr/share/tesseract-ocr/4.00/tessdata")
            << QStringLiteral("/usr/share/tessdata");
    QStringList parts;
    for (const char *language : {"chi_tra", "eng"}) {
        for (const QString &folder : std::as_const(folders)) {
            const QFileInfo data(folder + QLatin1Char('/') + QLatin1String(language) + QStringLiteral(".traineddata"));
            if (data.isFile()) {
                parts << QStringLiteral("%1 %2 %3 %4")
                             .arg(QLatin1String(language), data.absoluteFilePath())
                             .arg(data.size())
                             .arg(data.lastModified().toMSecsSinceEpoch());
                break;
            }
        }
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

TesseractTextRecognizer::TesseractTextRecognizer(int bands)
    : m_bands(bands > 0 ? bands : qBound(1, QThread::idealThreadCount(), 4))
    , m_identity(QStringLiteral("tesseract %1; bands %2; %3")
                     .arg(QString::fromLatin1(tesseract::TessBaseAPI::Version()))
                     .arg(m_bands)
                     .arg(languageDataFingerprint()))
{
    m_pool.setMaxThreadCount(qMax(1, m_bands - 1));
    m_pool.setExpiryTimeout(-1); // keep the threads, and so their engines
}

TesseractTextRecognizer::~TesseractTextRecognizer() = default;

QString TesseractTextRecognizer::identity() const
{
    return m_identity;
}

void TesseractTextRecognizer::endThreads()
{
    m_pool.waitForDone();
}

QList<int> TesseractTextRecognizer::bandCuts(const QImage &grey, int bands)
{
    const int height = grey.height();
    if (bands < 2 || height < 600 || grey.format() != QImage::Format_Grayscale8)
        return {};
    // A few dark pixels are scanner dust, not text.
    const int dust = qMax(2, grey.width() / 400);
    QList<std::pair<int, int>> blankRuns; // [first, end)
    int runStart = -1;
    for (int y = 0; y <= height; ++y) {
        bool blank = false;
        if (y < height) {
            const uchar *row = grey.constScanLine(y);
            int dark = 0;
            for (int x = 0; x < grey.width() && dark <= dust; ++x)
                dark += row[x] < 128;
            blank = dark <= dust;
        }
        if (blank && runStart < 0)
            runStart = y;
        if (!blank && runStart >= 0) {
            if (y - runStart >= 4)
                blankRuns.append({runStart, y});
            runStart = -1;
        }
    }
    QList<int> cuts;
    const double bandHeight = double(height) / bands;
    for (int k = 1; k < bands; ++k) {
        const double target = k * bandHeight;
        std::optional<int> best;
        for (const auto &[first, end] : blankRuns) {
            const int middle = (first + end) / 2;
            if (qAbs(middle - target) <= bandHeight / 2 && (!best || qAbs(middle - target) < qAbs(*best - target)))
                best = middle;
        }
        if (best && (cuts.isEmpty() || *best > cuts.last()) && *best > 0 && *best < height)
            cuts.append(*best);
    }
    return cuts;
}

std::optional<QList<TextObservation>> TesseractTextRecognizer::recognize(const QImage &image,
                                                                         const TextRecognitionRequest &request,
                                                                         const std::atomic_bool *cancelled) const
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return std::nullopt;
    const QImage grey = greyscaleOnWhite(image);
    const QByteArray languages = tesseractLanguages(request.languages);

    QList<int> edges = bandCuts(grey, m_bands);
    edges.prepend(0);
    edges.append(grey.height());
    QList<BandJob> jobs;
    for (qsizetype i = 0; i + 1 < edges.size(); ++i)
        jobs.append({&grey, edges[i], edges[i + 1], resolutionOf(image), languages, request.languageCorrection, cancelled});

    QList<QFuture<std::optional<QList<TextObservation>>>> others;
    for (qsizetype i = 1; i < jobs.size(); ++i)
        others.append(QtConcurrent::run(&m_pool, readBand, jobs[i]));
    std::optional<QList<TextObservation>> lines = readBand(jobs.first());
    for (QFuture<std::optional<QList<TextObservation>>> &band : others) {
        const std::optional<QList<TextObservation>> more = band.result();
        if (lines && more)
            lines->append(*more);
        else
            lines.reset();
    }
    return lines;
}

std::shared_ptr<TextRecognizer> systemTextRecognizer()
{
    // An engine is freed by its thread as the thread ends. Ended with the process's static
    // objects, a band thread would free its engine into Tesseract's own statics after those
    // are gone; so its threads end with the application object. Recognitions on Qt's shared
    // pool hand bands to these threads and finish first.
    static const std::shared_ptr<TesseractTextRecognizer> recognizer = [] {
        qAddPostRoutine([] {
            QThreadPool::globalInstance()->waitForDone();
            recognizer->endThreads();
        });
        return std::make_shared<TesseractTextRecognizer>();
    }();
    // What a page read once says is kept on disk for good.
    static const std::shared_ptr<TextRecognizer> keeping = std::make_shared<CachingTextRecognizer>(
        recognizer, std::make_shared<RecognizedTextStore>(RecognizedTextStore::defaultDirectory()));
    return keeping;
}

} // namespace tovik
