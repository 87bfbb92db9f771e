// Recognition and rendering figures for the documents sidebar, each beside a
// baseline measured in the same run:
// - a dense scanned page (1600 px wide, English and Chinese) read through
//   TesseractTextRecognizer (whole, and cut into one band per core), beside one
//   plain TessBaseAPI call on the same image
//   with Tesseract's default OpenMP threading and with OMP_THREAD_LIMIT=1 (in a
//   child process, since libgomp reads it only at start-up);
// - two such pages read at once on two threads (what the cache's pool does);
// - PdfPage::render and textLayer at 1600 px, beside raw Poppler calls.
//
// Usage: bench_preview_ocr [runs] [mixed|english|chinese]   (default 3, mixed)
// The page holds 56 lines: alternately English and Chinese, or all of one.

#include "pdffixtures.h"
#include "pdf/pdfdocument.h"
#include "ocr/tesseracttextrecognizer.h"
#include "preview/pageocrjob.h"

#include <poppler-qt6.h>
#include <tesseract/baseapi.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtConcurrent>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace tovik;

namespace {

const char *const plainChildFlag = "--plain-tesseract-child";

QImage denseScan(const QByteArray &kind)
{
    const QString english = QStringLiteral("The quarterly report shows revenue growth of twelve percent in the north.");
    const QString chinese = QStringLiteral("本季報告顯示北部地區營收成長百分之十二，客戶滿意度亦持續提升。");
    QImage image(1600, 2070, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK TC"));
    font.setPixelSize(24);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = 0; i < 56; ++i)
        painter.drawText(80, 80 + i * 35, kind == "english" ? english : kind == "chinese" || i % 2 ? chinese : english);
    return image;
}

// Wall time, and the CPU time of all the process's threads: on a machine shared
// with other work the CPU time shows the cost that wall time hides.
struct Figures
{
    double min = 0;
    double median = 0;
    double cpuMedian = 0;
};

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Figures measure(int runs, const std::function<void()> &work)
{
    QList<double> times;
    QList<double> cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = cpuMilliseconds();
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e6);
        cpu.append(cpuMilliseconds() - cpuStart);
    }
    return {*std::min_element(times.cbegin(), times.cend()), median(times), median(cpu)};
}

void print(const char *name, Figures figures, int runs)
{
    std::printf("  %-56s wall min %8.1f ms, median %8.1f ms; CPU median %8.1f ms (%d runs)\n", name, figures.min,
                figures.median, figures.cpuMedian, runs);
    std::fflush(stdout);
}

// One plain API call per run: set the image, get the text. The engine is made once
// beforehand, as any caller would keep it.
Figures plainTesseract(const QImage &image, int runs, qsizetype *characters)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    tesseract::TessBaseAPI api;
    QElapsedTimer init;
    init.start();
    if (api.Init(nullptr, "chi_tra+eng", tesseract::OEM_LSTM_ONLY) != 0)
        return {};
    std::printf("  (plain engine start-up %.0f ms)\n", init.nsecsElapsed() / 1e6);
    api.SetPageSegMode(tesseract::PSM_AUTO);
    api.SetVariable("debug_file", "/dev/null");
    return measure(runs, [&] {
        api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
        api.SetSourceResolution(qRound(image.dotsPerMeterX() * 0.0254));
        const std::unique_ptr<char[]> text(api.GetUTF8Text());
        *characters = QString::fromUtf8(text.get()).size();
    });
}

int plainChild(const QString &imagePath, int runs)
{
    const QImage image(imagePath);
    qsizetype characters = 0;
    const Figures figures = plainTesseract(image, runs, &characters);
    std::printf("%f %f %f\n", figures.min, figures.median, figures.cpuMedian);
    return 0;
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed() : QByteArray("unknown");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 3 && qstrcmp(argv[1], plainChildFlag) == 0) {
        QCoreApplication app(argc, argv);
        return plainChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 3;
    const QByteArray kind = argc > 2 ? QByteArray(argv[2]) : QByteArray("mixed");
    if (kind != "mixed" && kind != "english" && kind != "chinese") {
        std::fprintf(stderr, "usage: bench_preview_ocr [runs] [mixed|english|chinese]\n");
        return 2;
    }
    QTemporaryDir dir;

    // The scan goes through a PDF so that the image is what the preview renders.
    const QString scanPdf = dir.filePath(QStringLiteral("dense-scan.pdf"));
    if (!test::writeImagePdf(scanPdf, denseScan(kind)))
        return 1;
    const PdfOpenResult scan = openPdfDocument(scanPdf);
    if (!scan.document)
        return 1;
    const QImage page = scan.document->page(0)->render(1600);
    const QString pagePath = dir.filePath(QStringLiteral("page.png"));
    page.save(pagePath);
    std::printf("Dense scanned page (%s): %d x %d px, %d cores, load average at start: %s\n\n", kind.constData(),
                page.width(), page.height(), QThread::idealThreadCount(), loadAverage().constData());

    std::printf("Recognition (chi_tra+eng, LSTM)\n");
    qsizetype plainCharacters = 0;
    // First, while OpenMP is still at its defaults in this process.
    print("plain TessBaseAPI, default OpenMP threading", plainTesseract(page, qMin(runs, 2), &plainCharacters),
          qMin(runs, 2));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(plainChildFlag), pagePath, QString::number(runs)});
    child.waitForFinished(-1);
    const QList<QByteArray> childFigures = child.readAllStandardOutput().trimmed().split('\n').last().split(' ');
    if (childFigures.size() == 3)
        print("plain TessBaseAPI, OMP_THREAD_LIMIT=1 (child process)",
              {childFigures[0].toDouble(), childFigures[1].toDouble(), childFigures[2].toDouble()}, runs);

    qsizetype lines = 0;
    qsizetype characters = 0;
    for (int bands : {1, 0}) {
        TesseractTextRecognizer recognizer(bands);
        QElapsedTimer warm;
        warm.start();
        recognizer.recognize(page, TextRecognitionRequest()); // every band thread makes its engine
        std::printf("  (first call, with engine start-up: %.0f ms)\n", warm.nsecsElapsed() / 1e6);
        const QString name = bands == 1 ? QStringLiteral("TesseractTextRecognizer, whole page (1 band)")
                                        : QStringLiteral("TesseractTextRecognizer, default (%1 bands at blank rows)")
                                              .arg(qBound(1, QThread::idealThreadCount(), 4));
        print(qPrintable(name), measure(runs, [&] {
                  const auto observations = recognizer.recognize(page, TextRecognitionRequest());
                  lines = observations ? observations->size() : -1;
                  characters = 0;
                  for (const TextObservation &line : observations.value_or(QList<TextObservation>()))
                      characters += line.text.size();
              }),
              runs);
        std::printf("  read %lld lines, %lld characters; the plain call %lld characters\n", qlonglong(lines),
                    qlonglong(characters), qlonglong(plainCharacters));
    }
    print("PageOCRJob::run (service + glyph assembly)", measure(runs, [&] { PageOCRJob(page).run(); }), runs);

    print("two pages at once on two threads (wall time for both)", measure(runs, [&] {
              QFuture<void> a = QtConcurrent::run([&] { PageOCRJob(page).run(); });
              QFuture<void> b = QtConcurrent::run([&] { PageOCRJob(page).run(); });
              a.waitForFinished();
              b.waitForFinished();
          }),
          runs);

    std::printf("\nRendering at 1600 px\n");
    const QString textPdf = dir.filePath(QStringLiteral("text.pdf"));
    QStringList textLines;
    for (int i = 0; i < 28; ++i)
        textLines.append(QStringLiteral("Line %1 of a text page: the quarterly report shows revenue growth.").arg(i));
    test::writeTextPdf(textPdf, textLines);
    const int renderRuns = runs * 5;
    for (const QString &file : {textPdf, scanPdf}) {
        const char *label = file == textPdf ? "text page" : "scanned page";
        std::printf(" %s\n", label);
        const std::unique_ptr<Poppler::Document> raw = Poppler::Document::load(file);
        raw->setRenderHint(Poppler::Document::Antialiasing, true);
        raw->setRenderHint(Poppler::Document::TextAntialiasing, true);
        const std::unique_ptr<Poppler::Page> rawPage = raw->page(0);
        const double dpi = 72.0 * 1600 / rawPage->pageSizeF().width();
        print("raw Poppler::Page::renderToImage", measure(renderRuns, [&] { rawPage->renderToImage(dpi, dpi); }), renderRuns);
        const auto document = openPdfDocument(file).document;
        print("PdfPage::render(1600)", measure(renderRuns, [&] { document->page(0)->render(1600); }), renderRuns);
        print("raw Poppler::Page::textList", measure(renderRuns, [&] { rawPage->textList(); }), renderRuns);
        print("PdfPage::textLayer (first use, fresh document)", measure(renderRuns, [&] {
                  openPdfDocument(file).document->page(0)->textLayer();
              }),
              renderRuns);
    }
    std::printf("\nLoad average at the end: %s\n", loadAverage().constData());
    return 0;
}
