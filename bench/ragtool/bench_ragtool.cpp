// Figures for the rag tool: ingest of a generated 300-page text PDF, ask latency over it
// (time to the first answer line, and to exit), and text recognition of scanned pages.
//
//   bench_ragtool [pages=300] [asks=20] [scannedPages=8]   (RAG_BENCH_KEEP=1 keeps the project)

#include "samplepdf.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

const QStringList vocabulary = QString::fromLatin1(
    "harbour crane vessel cargo ledger pump valve station inspection engineer tide channel berth "
    "warehouse container forklift schedule shipment customs manifest pallet dock mooring rope anchor "
    "beacon signal radar pilot tug barge quay gantry reefer tariff invoice supplier contract audit "
    "maintenance turbine generator pipeline coolant pressure gauge sensor filter bearing shaft").split(' ');

QString sentence(QRandomGenerator &random, int words)
{
    QStringList out;
    for (int i = 0; i < words; ++i)
        out.append(vocabulary.at(int(random.bounded(qsizetype(vocabulary.size())))));
    out.first()[0] = out.first()[0].toUpper();
    return out.join(QLatin1Char(' ')) + QLatin1Char('.');
}

QList<SamplePage> reportPages(int count)
{
    QRandomGenerator random(300);
    QList<SamplePage> pages;
    for (int n = 1; n <= count; ++n) {
        SamplePage page;
        page.title = QStringLiteral("Section %1: station report").arg(n);
        for (int p = 0; p < 4; ++p) {
            QStringList sentences;
            for (int s = 0; s < 5; ++s)
                sentences.append(sentence(random, 8 + int(random.bounded(8))));
            page.paragraphs.append(sentences.join(QLatin1Char(' ')));
        }
        page.paragraphs.insert(2, QStringLiteral("The pump at station %1 was serviced by technician number %2 on day %3.")
                                      .arg(n)
                                      .arg(1000 + n * 37 % 977)
                                      .arg(n % 28 + 1));
        pages.append(page);
    }
    return pages;
}

struct Run
{
    int exitCode = -1;
    double firstAnswerMs = -1;
    double totalMs = 0;
    QString firstAnswer;
    QByteArray log;
};

Run runRag(const QStringList &args, const QString &cwd)
{
    QProcess process;
    process.setWorkingDirectory(cwd);
    process.setReadChannel(QProcess::StandardOutput);
    Run run;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(RAG_EXECUTABLE), args);
    process.waitForStarted();
    while (process.state() != QProcess::NotRunning || process.canReadLine()) {
        if (!process.canReadLine() && !process.waitForReadyRead(20000))
            break;
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (run.firstAnswerMs < 0 && !line.isEmpty()) {
                run.firstAnswerMs = clock.nsecsElapsed() / 1e6;
                run.firstAnswer = line;
            }
        }
    }
    process.waitForFinished(-1);
    run.totalMs = clock.nsecsElapsed() / 1e6;
    run.exitCode = process.exitCode();
    run.log = process.readAllStandardError();
    return run;
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const qsizetype index = std::min(values.size() - 1, qsizetype(p * (values.size() - 1) + 0.5));
    return values.at(index);
}

QString logFigure(const QByteArray &log, const QString &pattern)
{
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(QString::fromUtf8(log));
    return match.hasMatch() ? match.captured(1) : QStringLiteral("?");
}

} // namespace

// Only real problems: the offscreen platform's notes about XDG_RUNTIME_DIR are noise here.
void quietQt(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietQt);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pageCount = argc > 1 ? std::max(1, atoi(argv[1])) : 300;
    const int askCount = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
    const int scannedCount = argc > 3 ? std::max(0, atoi(argv[3])) : 8;

    QTemporaryDir dir;
    const QString project = dir.path();
    if (!qEnvironmentVariableIsEmpty("RAG_BENCH_KEEP")) {
        dir.setAutoRemove(false);
        std::printf("project kept in %s\n", qPrintable(project));
    }
    QFile toml(project + QStringLiteral("/rag.toml"));
    toml.open(QIODevice::WriteOnly);
    toml.write("data_dir = \"data\"\n");
    toml.close();

    const QString pdf = project + QStringLiteral("/station-reports.pdf");
    QElapsedTimer clock;
    clock.start();
    SamplePdf::write(pdf, reportPages(pageCount));
    std::printf("generated %d-page text PDF: %.1f MB in %lld ms\n", pageCount, QFileInfo(pdf).size() / 1e6,
                clock.elapsed());

    const Run ingest = runRag({QStringLiteral("ingest"), pdf}, project);
    if (ingest.exitCode != 0) {
        std::fprintf(stderr, "ingest failed:\n%s\n", ingest.log.constData());
        return 1;
    }
    std::printf("ingest %d pages: %.0f ms total (text extraction %s ms, storing %s ms), %.1f pages/s\n", pageCount,
                ingest.totalMs, qPrintable(logFigure(ingest.log, QStringLiteral("read \\d+ page\\(s\\) in (\\d+) ms"))),
                qPrintable(logFigure(ingest.log, QStringLiteral("stored in (\\d+) ms"))),
                pageCount / (ingest.totalMs / 1000.0));
    std::printf("  %s\n", qPrintable(ingest.firstAnswer));
    std::printf("  corpus size %.1f MB\n",
                QFileInfo(project + QStringLiteral("/data/corpus.sqlite")).size() / 1e6);

    QList<double> first;
    QList<double> total;
    int correct = 0;
    QStringList misses;
    for (int i = 0; i < askCount; ++i) {
        const int section = 1 + (i * 53) % pageCount;
        const Run ask = runRag({QStringLiteral("ask"), QStringLiteral("Who serviced the pump at station %1?").arg(section)},
                               project);
        first.append(ask.firstAnswerMs);
        total.append(ask.totalMs);
        if (ask.firstAnswer.contains(QStringLiteral("p. %1]").arg(section)))
            ++correct;
        else if (misses.size() < 3)
            misses.append(QStringLiteral("station %1 -> %2").arg(section).arg(ask.firstAnswer));
    }
    std::printf("ask over %d pages, %d questions: first answer line median %.1f ms, p90 %.1f ms, max %.1f ms; "
                "exit median %.1f ms\n",
                pageCount, askCount, percentile(first, 0.5), percentile(first, 0.9), percentile(first, 1.0),
                percentile(total, 0.5));
    std::printf("  first line cites the right page in %d of %d asks\n", correct, askCount);
    for (const QString &miss : std::as_const(misses))
        std::printf("  missed: %s\n", qPrintable(miss));

    if (scannedCount > 0) {
        QList<SamplePage> scans = reportPages(scannedCount);
        for (SamplePage &page : scans)
            page.scanned = true;
        const QString scanned = project + QStringLiteral("/scanned.pdf");
        SamplePdf::write(scanned, scans);
        const Run ocr = runRag({QStringLiteral("ingest"), scanned}, project);
        std::printf("ingest %d scanned pages (text recognition, %s threads): %.0f ms, %.2f s/page, exit %d\n",
                    scannedCount,
                    qPrintable(logFigure(ocr.log, QStringLiteral("without a text layer on (\\d+) thread"))),
                    ocr.totalMs, ocr.totalMs / 1000.0 / scannedCount, ocr.exitCode);
    }
    return 0;
}
