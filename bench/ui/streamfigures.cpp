// Figures of answers streamed through the real main window: many short lines, one
// huge line, and answers that cite thousands of files or pages.
#include "streamfigures.h"

#include "windowbench.h"

#include "documents/documentpreview.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/textbox.h"
#include "preview/documentpreviewmodel.h"
#include "rag/ragsession.h"
#include "tabs/contentmodel.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWidget>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

double mb(qint64 bytes)
{
    return double(bytes) / 1048576.0;
}

} // namespace

void manyLinesFigures(int lineCount)
{
    Watchdog watchdog(300, qint64(6) << 30);
    watchdog.setLabel(QStringLiteral("%1 short lines").arg(lineCount));
    WindowBench bench;
    QByteArray bytes;
    bytes.reserve(qsizetype(lineCount) * 9);
    char line[32];
    for (int i = 0; i < lineCount; ++i)
        bytes.append(line, std::snprintf(line, sizeof line, "a%07d\n", i));
    const QString file = QDir(bench.folder()).filePath(QStringLiteral("lines.txt"));
    if (!writeFile(file, bytes))
        return;

    // Five asks, each after a cat of the same file: both vary from run to run on a
    // shared machine, so their medians are compared.
    constexpr int runs = 5;
    std::vector<double> cats, seconds, cpu, processCpu;
    double worstStall = 0;
    double worstBusy = 0;
    for (int run = 0; run < runs; ++run) {
        const double cat = catSeconds(file);
        const AskResult result = bench.ask(file, {}, 180);
        if (!result.finished) {
            std::printf("%d short lines (%.1f MB) through the window: NOT DONE after %.0f s (%lld of %d lines in the "
                        "answer), longest event-loop stall %.1f ms; cat through a pipe %.3f s\n",
                        lineCount, mb(bytes.size()), result.seconds,
                        static_cast<long long>(bench.tab().session().answerText().count(QLatin1Char('\n'))),
                        lineCount, result.stallMs, cat);
            return;
        }
        const QString shown = bench.tab().answerBox()->text();
        const bool complete = shown.size() + 1 == bench.tab().session().answerText().size();
        std::printf("  run %d: %.3f s, cat %.3f s, speed %.2f of cat, stall %.1f ms, interface thread CPU %.1f ms "
                    "and %ld page faults, all threads %.1f ms%s\n",
                    run + 1, result.seconds, cat, cat / result.seconds, result.stallMs, result.threadCpuMs,
                    result.pageFaults, result.processCpuMs, complete ? "" : "; ANSWER BOX INCOMPLETE");
        cats.push_back(cat);
        seconds.push_back(result.seconds);
        cpu.push_back(result.threadCpuMs);
        processCpu.push_back(result.processCpuMs);
        worstStall = std::max(worstStall, result.stallMs);
        worstBusy = std::max(worstBusy, result.busyMs);
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("%d short lines (%.1f MB) through the window, median of %d: %.3f s (%.0f lines/s), cat through a "
                "pipe %.3f s; speed %.2f of cat (target >= 0.3); longest event-loop stall %.1f ms (target <= 50), "
                "the interface thread running at most %.1f ms of a stall; interface thread CPU %.1f ms, all threads %.1f ms\n",
                lineCount, mb(bytes.size()), runs, median(seconds), lineCount / median(seconds), median(cats),
                median(cats) / median(seconds), worstStall, worstBusy, median(cpu), median(processCpu));
}

void longLineFigures(const QString &label, qsizetype characters, bool lineEnd)
{
    Watchdog watchdog(120, qint64(6) << 30);
    watchdog.setLabel(label);
    WindowBench bench;
    QByteArray bytes(characters, 'x');
    if (lineEnd)
        bytes.append('\n');
    const QString file = QDir(bench.folder()).filePath(QStringLiteral("line.txt"));
    if (!writeFile(file, bytes))
        return;

    const AskResult result = bench.ask(file, {}, 300);
    tovik::TextBox &box = *bench.tab().answerBox();
    QWidget &window = bench.window();
    QScrollBar *bar = box.editor()->verticalScrollBar();
    double worst = 0;
    const auto frame = [&](const std::function<void()> &action) {
        const double ms = WindowBench::timed([&] {
            action();
            window.repaint();
        });
        worst = std::max(worst, ms);
        return ms;
    };
    const double shown = frame([] {});
    const double top = frame([&] { bar->setValue(0); });
    const double middle = frame([&] { bar->setValue(bar->maximum() / 2); });
    const double bottom = frame([&] { bar->setValue(bar->maximum()); });
    const double narrower = frame([&] { window.resize(900, 720); });
    double copyMs = 0;
    qsizetype copied = 0;
    copyMs = WindowBench::timed([&] { copied = box.text().size(); });
    std::printf("%s: arrived and shown in %.3f s, longest stall %.1f ms (interface thread busy %.1f ms of it); "
                "frames: shown %.1f, top %.1f, middle %.1f, "
                "bottom %.1f, narrower %.1f ms (worst %.1f, target <= 100); text() %.1f ms (%lld characters); "
                "peak memory growth %.0f MB = %.2fx the text's %.0f MB (%.2fx its UTF-16 size; target <= 3x)\n",
                qPrintable(label), result.seconds, result.stallMs, result.busyMs, shown, top, middle, bottom, narrower,
                std::max(worst, result.busyMs), copyMs, static_cast<long long>(copied), mb(result.peakGrowth),
                double(result.peakGrowth) / double(bytes.size()), mb(bytes.size()),
                double(result.peakGrowth) / double(2 * bytes.size()));
}

namespace {

bool writeCorpus(const QString &database, const QList<std::pair<QString, QString>> &rows)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(database).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "CREATE TABLE documents (filename TEXT, source_path TEXT, ingested_at TEXT);"
                               "BEGIN",
                           nullptr, nullptr, nullptr)
        == SQLITE_OK;
    sqlite3_stmt *insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO documents VALUES (?, ?, '2024-01-01')", -1, &insert, nullptr)
            == SQLITE_OK;
    for (const auto &[name, path] : rows) {
        const QByteArray n = name.toUtf8();
        const QByteArray p = path.toUtf8();
        sqlite3_bind_text(insert, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, p.constData(), int(p.size()), SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

bool writePdf(const QString &path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A6));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.drawText(QPointF(100, 200), QStringLiteral("Page %1").arg(page));
    }
    return painter.end();
}

} // namespace

void citationFigures(const QString &label, int files, int pagesPerFile)
{
    Watchdog watchdog(600, qint64(6) << 30);
    watchdog.setLabel(label);
    WindowBench bench;
    const QDir folder(bench.folder());
    folder.mkpath(QStringLiteral("data"));
    writeFile(folder.filePath(QStringLiteral("rag.toml")), {});
    // Every file is in the corpus; one real PDF of three pages, so the pages past the
    // third show a problem and the others render.
    const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
    writePdf(pdf, 3);
    QList<std::pair<QString, QString>> rows;
    QByteArray answer;
    for (int file = 0; file < files; ++file) {
        const QString name = files == 1 ? QStringLiteral("report.pdf") : QStringLiteral("file-%1.pdf").arg(file);
        rows.append({name, files == 1 ? pdf : folder.filePath(QStringLiteral("missing/") + name)});
        for (int page = 1; page <= pagesPerFile; ++page)
            answer += QStringLiteral("Point %1.%2 of the answer [來源: %3 p. %2]\n").arg(file).arg(page).arg(name).toUtf8();
    }
    writeCorpus(folder.filePath(QStringLiteral("data/corpus.sqlite")), rows);
    const QString file = folder.filePath(QStringLiteral("answer.txt"));
    writeFile(file, answer);

    tovik::ContentView &tab = bench.tab();
    tab.model().setSidebarTab(tovik::SidebarTab::documents);
    QCoreApplication::processEvents();
    const int expected = files * pagesPerFile;
    const QString countLabel = QStringLiteral("Documents (%1)").arg(expected);
    const auto settled = [&] {
        const tovik::DocumentPreviewModel &model = tab.documentPreview();
        if (model.isLoading() || model.groups().size() != files)
            return false;
        qsizetype pages = 0;
        for (const tovik::CitedDocument &document : model.groups())
            pages += document.pages.size();
        return pages == (files == 1 ? expected : 0) && tab.sidebarPicker()->button(1)->text() == countLabel;
    };
    const AskResult result = bench.ask(file, settled, 300);
    std::printf("%s: answer streamed and the Documents page settled in %.2f s, longest event-loop stall %.1f ms "
                "(interface thread busy %.1f ms of it), peak memory growth %.0f MB%s\n",
                qPrintable(label), result.seconds, result.stallMs, result.busyMs, mb(result.peakGrowth),
                settled() ? "" : " (NOT SETTLED)");
}

} // namespace bench
