// Character error rate and time per page on pages whose text is known (see
// truthpages.h), for the recognizer as the app runs it and for the alternatives its
// settings were weighed against: English only, other page segmentation modes, English
// first with doubtful lines read again with Chinese, and other resolutions.
//
// Usage: bench_ocr_truth [filter [reader]]   (only pages whose name contains the filter;
//                                            only readers whose label contains the reader)
// Runs with one recognizer thread (OMP_THREAD_LIMIT=1), as the app does.

#include "truthpages.h"

#include "ocr/tesseracttextrecognizer.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <unistd.h>

using namespace bench;

namespace {

struct Result
{
    double cer = 0;
    double seconds = 0;
};

std::unique_ptr<tesseract::TessBaseAPI> engine(const char *languages, tesseract::PageSegMode mode)
{
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) != 0)
        return nullptr;
    api->SetPageSegMode(mode);
    api->SetVariable("debug_file", "/dev/null");
    return api;
}

int dpiOf(const QImage &image)
{
    return qRound(image.dotsPerMeterX() * 0.0254);
}

void setImage(tesseract::TessBaseAPI &api, const QImage &grey)
{
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api.SetSourceResolution(dpiOf(grey));
}

QString plain(tesseract::TessBaseAPI &api, const QImage &grey)
{
    setImage(api, grey);
    std::unique_ptr<char[]> text(api.GetUTF8Text());
    return text ? QString::fromUtf8(text.get()) : QString();
}

// English first; a line it reads with less than `threshold` confidence is read again,
// alone, with Chinese and English.
QString routed(tesseract::TessBaseAPI &english, tesseract::TessBaseAPI &both, const QImage &grey, float threshold)
{
    setImage(english, grey);
    if (english.Recognize(nullptr) != 0)
        return {};
    QStringList lines;
    std::unique_ptr<tesseract::ResultIterator> it(english.GetIterator());
    if (!it)
        return {};
    setImage(both, grey);
    do {
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
        if (!text)
            continue;
        const float confidence = it->Confidence(tesseract::RIL_TEXTLINE);
        if (confidence >= threshold) {
            lines.append(QString::fromUtf8(text.get()).trimmed());
            continue;
        }
        int left = 0, top = 0, right = 0, bottom = 0;
        it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom);
        const int pad = 4;
        both.SetRectangle(std::max(0, left - pad), std::max(0, top - pad), right - left + 2 * pad, bottom - top + 2 * pad);
        std::unique_ptr<char[]> again(both.GetUTF8Text());
        lines.append(again ? QString::fromUtf8(again.get()).trimmed() : QString());
    } while (it->Next(tesseract::RIL_TEXTLINE));
    return lines.join(QLatin1Char('\n'));
}

// Lines found by the layout analysis alone (no recognition), each read on its own:
// English first, then, when that reads it with less than `threshold` confidence (or
// `threshold` is above 100), Chinese and English.
QString layoutRouted(tesseract::TessBaseAPI &layout, tesseract::TessBaseAPI &english, tesseract::TessBaseAPI &both,
                     const QImage &grey, float threshold)
{
    setImage(layout, grey);
    std::unique_ptr<tesseract::PageIterator> it(layout.AnalyseLayout());
    if (!it)
        return {};
    setImage(english, grey);
    setImage(both, grey);
    QStringList lines;
    do {
        int left = 0, top = 0, right = 0, bottom = 0;
        if (!it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
            continue;
        const int pad = 4;
        const int x = std::max(0, left - pad);
        const int y = std::max(0, top - pad);
        const int w = std::min(grey.width() - x, right - left + 2 * pad);
        const int h = std::min(grey.height() - y, bottom - top + 2 * pad);
        QString text;
        float confidence = 0;
        if (threshold <= 100) {
            english.SetRectangle(x, y, w, h);
            std::unique_ptr<char[]> read(english.GetUTF8Text());
            text = read ? QString::fromUtf8(read.get()).trimmed() : QString();
            confidence = float(english.MeanTextConf());
        }
        if (threshold > 100 || confidence < threshold) {
            both.SetRectangle(x, y, w, h);
            std::unique_ptr<char[]> again(both.GetUTF8Text());
            text = again ? QString::fromUtf8(again.get()).trimmed() : QString();
        }
        lines.append(text);
    } while (it->Next(tesseract::RIL_TEXTLINE));
    return lines.join(QLatin1Char('\n'));
}

QImage scaledToWidth(const QImage &image, int width)
{
    QImage scaled = image.scaledToWidth(width, Qt::SmoothTransformation);
    const double factor = double(width) / image.width();
    scaled.setDotsPerMeterX(qRound(image.dotsPerMeterX() * factor));
    scaled.setDotsPerMeterY(qRound(image.dotsPerMeterY() * factor));
    return scaled;
}

} // namespace

int main(int argc, char **argv)
{
    // libgomp reads its limit only when it loads: start again with it set.
    if (!std::getenv("OMP_THREAD_LIMIT")) {
        setenv("OMP_THREAD_LIMIT", "1", 1);
        execv("/proc/self/exe", argv);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString filter = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    tovik::TesseractTextRecognizer today(1);
    auto bothAuto = engine("chi_tra+eng", tesseract::PSM_AUTO);
    auto englishAuto = engine("eng", tesseract::PSM_AUTO);
    auto bothBlock = engine("chi_tra+eng", tesseract::PSM_SINGLE_BLOCK);
    auto bothColumn = engine("chi_tra+eng", tesseract::PSM_SINGLE_COLUMN);
    auto bothLine = engine("chi_tra+eng", tesseract::PSM_SINGLE_LINE);
    auto englishLine = engine("eng", tesseract::PSM_SINGLE_LINE);
    if (!bothAuto || !englishAuto || !bothBlock || !bothColumn || !bothLine || !englishLine) {
        std::printf("Tesseract data for chi_tra and eng is missing\n");
        return 1;
    }

    using Reader = std::function<QString(const QImage &grey)>;
    std::vector<std::pair<const char *, Reader>> readers{
        {"app today", [&](const QImage &grey) {
             QStringList lines;
             for (const tovik::TextObservation &line : today.recognize(grey, {}).value_or(QList<tovik::TextObservation>{}))
                 lines.append(line.text);
             return lines.join(QLatin1Char('\n'));
         }},
        {"chi+eng psm3", [&](const QImage &grey) { return plain(*bothAuto, grey); }},
        {"eng psm3", [&](const QImage &grey) { return plain(*englishAuto, grey); }},
        {"chi+eng psm4", [&](const QImage &grey) { return plain(*bothColumn, grey); }},
        {"chi+eng psm6", [&](const QImage &grey) { return plain(*bothBlock, grey); }},
        {"eng, doubt<80 chi+eng", [&](const QImage &grey) { return routed(*englishAuto, *bothLine, grey, 80); }},
        {"eng, doubt<90 chi+eng", [&](const QImage &grey) { return routed(*englishAuto, *bothLine, grey, 90); }},
        {"layout lines chi+eng", [&](const QImage &grey) { return layoutRouted(*bothAuto, *englishLine, *bothLine, grey, 101); }},
        {"layout lines eng<80", [&](const QImage &grey) { return layoutRouted(*bothAuto, *englishLine, *bothLine, grey, 80); }},
        {"layout lines eng<90", [&](const QImage &grey) { return layoutRouted(*bothAuto, *englishLine, *bothLine, grey, 90); }},
    };

    // A second argument keeps today's reader and those whose label contains it.
    if (argc > 2) {
        const std::string only = argv[2];
        std::erase_if(readers, [&only](const auto &reader) {
            const std::string label = reader.first;
            return label != "app today" && label.find(only) == std::string::npos;
        });
    }
    std::map<std::string, std::pair<double, double>> totals; // reader: CER sum, seconds sum
    std::map<std::string, int> worse;                        // pages read worse than today
    int pageCount = 0;
    std::printf("%-28s", "page");
    for (const auto &reader : readers)
        std::printf(" | %-21s", reader.first);
    std::printf("\n");
    const auto runPage = [&](const QString &name, const QImage &image, const QString &truth) {
        ++pageCount;
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        std::printf("%-28s", qPrintable(name));
        double todayCer = 0;
        for (const auto &[label, read] : readers) {
            QElapsedTimer timer;
            timer.start();
            const QString text = read(grey);
            const double seconds = timer.nsecsElapsed() / 1e9;
            const double cer = characterErrorRate(text, truth);
            if (std::string(label) == "app today")
                todayCer = cer;
            else if (cer > todayCer + 1e-9)
                ++worse[label];
            totals[label].first += cer;
            totals[label].second += seconds;
            std::printf(" | %5.1f%% %6.2f s      ", cer * 100, seconds);
        }
        std::printf("\n");
        std::fflush(stdout);
    };
    for (const TruthPage &page : truthPages()) {
        if (!filter.isEmpty() && !page.name.contains(filter))
            continue;
        runPage(page.name, page.image, page.truth);
        // The app renders pages 1600 px wide; a 300 dpi page read at that width too.
        if (page.image.width() > 2000)
            runPage(page.name + QStringLiteral(" @1600"), scaledToWidth(page.image, 1600), page.truth);
    }
    std::printf("\n%-22s %9s %11s %s\n", "reader", "mean CER", "time/page", "pages worse than today");
    for (const auto &reader : readers) {
        const auto &[cer, seconds] = totals[reader.first];
        std::printf("%-22s %8.2f%% %9.2f s %d of %d\n", reader.first, cer / pageCount * 100, seconds / pageCount,
                    worse[reader.first], pageCount);
    }
    return 0;
}
