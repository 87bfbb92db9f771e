// Document preview model figures, printed only:
// 1. time from load() to the first cited page published, against the raw Poppler render
//    of the same page at 1600 pixels measured in the same run (median of trials);
// 2. memory held by one cached rendered page, and the resident size after a load of 50
//    cited pages;
// 3. reading the citations of a streamed answer line by line (loadKey) against reading
//    the whole answer on every line.
#include "preview/citations.h"
#include "preview/documentpreviewmodel.h"

#include <poppler-qt6.h>
#include <sqlite3.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tovik;

namespace {

enum class PageKind { text, colour, scan };

// Letter pages of `kind`: ~45 lines of 10 pt text with a rule and a box; the colour
// kind adds a gradient chart; the scan kind is one 1700 × 2200 picture per page.
bool writePdf(const QString &path, int pages, PageKind kind)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(10);
    painter.setFont(font);
    QImage scan;
    if (kind == PageKind::scan) {
        scan = QImage(1700, 2200, QImage::Format_RGB32);
        scan.fill(QColor(246, 244, 238));
        QPainter ink(&scan);
        QFont big(QStringLiteral("DejaVu Serif"));
        big.setPixelSize(28);
        ink.setFont(big);
        for (int line = 0; line < 50; ++line)
            ink.drawText(150, 200 + 38 * line, QStringLiteral("Scanned line %1 of a report page, with some words.").arg(line));
    }
    for (int page = 1; page <= pages; ++page) {
        if (page > 1 && !writer.newPage())
            return false;
        if (kind == PageKind::scan) {
            painter.drawImage(QRectF(0, 0, 612, 792), scan);
            continue;
        }
        painter.drawText(QPointF(72, 60), QStringLiteral("Report — page %1").arg(page));
        painter.drawLine(QPointF(72, 66), QPointF(540, 66));
        for (int line = 0; line < 45; ++line)
            painter.drawText(QPointF(72, 90 + 14 * line),
                             QStringLiteral("Line %1: the quarterly figures show a steady rise in revenue across regions.")
                                 .arg(line));
        painter.drawRect(QRectF(72, 730, 468, 30));
        if (kind == PageKind::colour) {
            QLinearGradient gradient(72, 400, 540, 600);
            gradient.setColorAt(0, Qt::blue);
            gradient.setColorAt(1, Qt::red);
            painter.fillRect(QRectF(300, 400, 240, 200), gradient);
        }
    }
    return painter.end();
}

bool writeCorpus(const QString &database, const QList<std::pair<QString, QString>> &rows)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(database).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "CREATE TABLE documents (filename TEXT, source_path TEXT, ingested_at TEXT)", nullptr,
                           nullptr, nullptr)
        == SQLITE_OK;
    for (const auto &[name, path] : rows) {
        const QByteArray sql = QStringLiteral("INSERT INTO documents VALUES ('%1', '%2', '2024-01-01')")
                                   .arg(name, path)
                                   .toUtf8();
        ok = ok && sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return ok;
}

QString marker(const QString &filename, int page)
{
    return QStringLiteral("[來源: %1 p. %2]").arg(filename).arg(page);
}

// Runs the event loop until the load ends, as the application's loop would: no
// polling delay between the load's steps.
void runUntilFinished(const QFuture<void> &future)
{
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
}

double rawRenderMs(const QString &path, int page)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    std::unique_ptr<Poppler::Page> pdfPage = document->page(page - 1);
    const QSizeF size = pdfPage->pageSizeF();
    const int height = qRound(1600 * size.height() / size.width());
    QElapsedTimer timer;
    timer.start();
    const QImage image = pdfPage->renderToImage(72.0 * 1600 / size.width(), 72.0 * height / size.height(), 0, 0,
                                                1600, height);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (image.width() != 1600)
        std::printf("raw render failed\n");
    return ms;
}

// Opening the file as well as rendering the page, as a viewer that shows one page of a
// document it has not opened yet does.
double rawOpenAndRenderMs(const QString &path, int page)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    std::unique_ptr<Poppler::Page> pdfPage = document->page(page - 1);
    const QSizeF size = pdfPage->pageSizeF();
    const int height = qRound(1600 * size.height() / size.width());
    const QImage image = pdfPage->renderToImage(72.0 * 1600 / size.width(), 72.0 * height / size.height(), 0, 0,
                                                1600, height);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (image.width() != 1600)
        std::printf("raw render failed\n");
    return ms;
}

// Time from load() to the first page in groups; `headerMs` gets the time to the first
// header. `model` is reset first, so nothing is cached.
double firstPageMs(DocumentPreviewModel &model, const QString &filename, int page, const QString &project,
                   double *headerMs)
{
    model.reset();
    double published = -1;
    QElapsedTimer timer;
    const QMetaObject::Connection watching = QObject::connect(&model, &DocumentPreviewModel::groupsChanged, &model, [&] {
        if (*headerMs < 0 && !model.groups().isEmpty())
            *headerMs = timer.nsecsElapsed() / 1e6;
        if (published < 0 && !model.groups().isEmpty() && !model.groups()[0].pages.isEmpty())
            published = timer.nsecsElapsed() / 1e6;
    });
    timer.start();
    QFuture<void> loading = model.load(marker(filename, page), project);
    runUntilFinished(loading);
    QObject::disconnect(watching);
    return published;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// A tab's first load (a new model, whose render thread starts then) and a later load
// of a long-lived model (reset before each trial).
void firstPageFigures(const QString &label, const QString &filename, const QString &project)
{
    const QString path = QDir(project).filePath(filename);
    constexpr int trials = 15;
    DocumentPreviewModel longLived;
    for (bool fresh : {true, false}) {
        std::vector<double> raw, model, ratio, header;
        for (int trial = 0; trial < trials; ++trial) {
            const int page = 2 + trial; // a page neither side has rendered in this round
            DocumentPreviewModel freshModel;
            DocumentPreviewModel &subject = fresh ? freshModel : longLived;
            double r, m, h = -1;
            if (trial % 2) {
                r = rawRenderMs(path, page);
                m = firstPageMs(subject, filename, page, project, &h);
            } else {
                m = firstPageMs(subject, filename, page, project, &h);
                r = rawRenderMs(path, page);
            }
            raw.push_back(r);
            model.push_back(m);
            ratio.push_back(m / r);
            header.push_back(h);
        }
        std::printf("%-6s page, %s: raw Poppler render %6.1f ms, header published %4.1f ms, first page published "
                    "%6.1f ms, ratio %.2f (median of %d; ratios %.2f-%.2f)\n",
                    qPrintable(label), fresh ? "new model " : "long-lived", median(raw), median(header), median(model),
                    median(ratio), trials, *std::min_element(ratio.begin(), ratio.end()),
                    *std::max_element(ratio.begin(), ratio.end()));
    }
}

// A page deep inside a long document: everything the model does before it shows the
// page (open, labels, sizes, text) against Poppler opening the file and rendering it.
void bigDocumentFigures(const QString &project, const QString &filename, int pages)
{
    const QString path = QDir(project).filePath(filename);
    std::vector<double> raw, model, ratio;
    for (int trial = 0; trial < 7; ++trial) {
        const int page = pages * 4 / 7 + trial;
        DocumentPreviewModel subject;
        double header = -1;
        const double r = rawOpenAndRenderMs(path, page);
        const double m = firstPageMs(subject, filename, page, project, &header);
        raw.push_back(r);
        model.push_back(m);
        ratio.push_back(m / r);
    }
    std::printf("page %d of a %d-page document: raw Poppler open + render %6.1f ms, first page published %6.1f ms, "
                "ratio %.2f (target <= 1.2; median of 7)\n",
                pages * 4 / 7, pages, median(raw), median(model), median(ratio));
}

void streamingFigures(const QString &project)
{
    QString answer;
    QStringList lines;
    for (int i = 0; i < 2000; ++i) {
        QString line = QStringLiteral("Point %1: the figures rise steadily across all regions and quarters (see [2]).")
                           .arg(i);
        if (i % 10 == 0)
            line += QLatin1Char(' ') + marker(QStringLiteral("report-%1.pdf").arg(i % 37), 1 + i % 300);
        lines.append(line);
    }
    DocumentPreviewModel model;
    QElapsedTimer timer;
    timer.start();
    qsizetype keys = 0;
    for (const QString &line : std::as_const(lines)) {
        answer += line + QLatin1Char('\n');
        keys += model.loadKey(answer, project).size();
    }
    const double incremental = timer.nsecsElapsed() / 1e6;
    answer.clear();
    timer.restart();
    for (const QString &line : std::as_const(lines)) {
        answer += line + QLatin1Char('\n');
        keys += citedPages(answer).size();
    }
    const double whole = timer.nsecsElapsed() / 1e6;
    std::printf("streamed answer, 2000 lines (%lld KB, 200 markers): loadKey on every line %.1f ms in total, "
                "citedPages of the whole text on every line %.1f ms (%lld)\n",
                qlonglong(answer.size() * 2 / 1024), incremental, whole, qlonglong(keys % 10));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const long atStart = residentKb();
    QTemporaryDir project;
    QDir(project.path()).mkpath(QStringLiteral("data"));
    QFile toml(QDir(project.path()).filePath(QStringLiteral("rag.toml")));
    if (!toml.open(QIODevice::WriteOnly))
        return 1;
    toml.close();
    const auto file = [&](const char *name) { return QDir(project.path()).filePath(QLatin1String(name)); };
    if (!writePdf(file("text.pdf"), 60, PageKind::text) || !writePdf(file("colour.pdf"), 20, PageKind::colour)
        || !writePdf(file("scan.pdf"), 20, PageKind::scan) || !writePdf(file("big.pdf"), 1221, PageKind::text))
        return 1;
    if (!writeCorpus(file("data/corpus.sqlite"), {{QStringLiteral("text.pdf"), file("text.pdf")},
                                                  {QStringLiteral("colour.pdf"), file("colour.pdf")},
                                                  {QStringLiteral("scan.pdf"), file("scan.pdf")},
                                                  {QStringLiteral("big.pdf"), file("big.pdf")}}))
        return 1;

    // Warm up fonts and the library once, outside the figures.
    rawRenderMs(file("text.pdf"), 1);
    rawRenderMs(file("colour.pdf"), 1);
    rawRenderMs(file("scan.pdf"), 1);

    const long before = residentKb();
    {
        DocumentPreviewModel model;
        QString answer;
        for (int page = 1; page <= 50; ++page)
            answer += marker(QStringLiteral("text.pdf"), page) + QLatin1Char('\n');
        QElapsedTimer timer;
        timer.start();
        QFuture<void> loading = model.load(answer, project.path());
        runUntilFinished(loading);
        const double ms = timer.nsecsElapsed() / 1e6;
        qint64 held = 0;
        for (const QImage &image : model.images())
            held += image.sizeInBytes();
        const long after = residentKb();
        std::printf("50 cited text pages: loaded in %.0f ms; images held %.1f MB; VmRSS %ld MB at start, %ld MB "
                    "before the load, %ld MB after (+%ld MB)\n",
                    ms, held / 1048576.0, atStart / 1024, before / 1024, after / 1024, (after - before) / 1024);
        model.deactivate();
        std::printf("after deactivate: VmRSS %ld MB\n", residentKb() / 1024);
    }

    {
        DocumentPreviewModel model;
        QString answer = marker(QStringLiteral("text.pdf"), 1) + marker(QStringLiteral("colour.pdf"), 1);
        QFuture<void> loading = model.load(answer, project.path());
        runUntilFinished(loading);
        const QImage gray = model.groups()[0].pages[0].image;
        const QImage colour = model.groups()[1].pages[0].image;
        std::printf("cached page: text page %dx%d %s %.2f MB; colour page %s %.2f MB\n", gray.width(), gray.height(),
                    gray.format() == QImage::Format_Grayscale8 ? "8-bit gray" : "32-bit", gray.sizeInBytes() / 1048576.0,
                    colour.format() == QImage::Format_Grayscale8 ? "8-bit gray" : "32-bit",
                    colour.sizeInBytes() / 1048576.0);
    }

    firstPageFigures(QStringLiteral("text"), QStringLiteral("text.pdf"), project.path());
    firstPageFigures(QStringLiteral("colour"), QStringLiteral("colour.pdf"), project.path());
    firstPageFigures(QStringLiteral("scan"), QStringLiteral("scan.pdf"), project.path());
    bigDocumentFigures(project.path(), QStringLiteral("big.pdf"), 1221);

    streamingFigures(project.path());
    return 0;
}
