// Start-up and streaming figures for the main window.
//  1. Launch to first painted window: the real tovikrag started as a child (offscreen),
//     timed until it reports its first paint.
//  2. Appending a 100,000-line answer to a tab: time per line for the first and the
//     last 1,000 lines, each line followed by a layout and paint of the answer box.
//  3. Answers streamed from a child through a real main window (streamfigures.h):
//     1,000,000 short lines against cat, one huge line, thousands of citations.
// Run with no argument for all, or name sections: launch, append, lines, longline,
// citations.
#include "mainwindow/textbox.h"
#include "historyfigures.h"
#include "historyfill.h"
#include "history/questionhistorystore.h"
#include "hugepageheap.h"
#include "streamfigures.h"

#include "system/largeallocations.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QDir>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double launchToFirstPaintMs()
{
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TOVIK_REPORT_FIRST_PAINT"), QStringLiteral("1"));
    // Launched as from a desktop: the app decides on its own restart for huge pages.
    env.remove(QStringLiteral("TOVIK_HUGE_PAGES_RESTARTED"));
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    if (env.value(QStringLiteral("TOVIK_HUGE_PAGES")) == QStringLiteral("1"))
        env.remove(QStringLiteral("TOVIK_HUGE_PAGES")); // "0" stays: measured without
    app.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    app.start(QStringLiteral(TOVIK_APP_PATH), {});
    while (app.waitForReadyRead(10000)) {
        if (app.readAll().contains("first-paint"))
            break;
    }
    const double elapsed = timer.nsecsElapsed() / 1e6;
    app.waitForFinished(5000);
    return elapsed;
}

double perLineMicroseconds(tovik::TextBox &box, int from, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = from; i < from + count; ++i) {
        box.appendLine(QStringLiteral("Line %1 of the answer, citing [來源: report.pdf p. %2]").arg(i).arg(i % 300 + 1));
        QCoreApplication::processEvents(); // the turn that adds the line
        box.repaint();
    }
    return timer.nsecsElapsed() / 1e3 / count;
}

// With `historyRecords`, the app's own history file holds that many saved questions: the
// first paint then also waits for them to be read.
void launchFigures(int historyRecords)
{
    const QString historyPath = tovik::QuestionHistoryStore::defaultDatabasePath();
    QDir().mkpath(QFileInfo(historyPath).absolutePath());
    QFile::remove(historyPath);
    if (historyRecords > 0 && !bench::fillHistory(historyPath, historyRecords))
        std::printf("  could not fill the history\n");
    std::vector<double> launches;
    for (int i = 0; i < 5; ++i)
        launches.push_back(launchToFirstPaintMs());
    std::sort(launches.begin(), launches.end());
    std::printf("launch to first painted window%s: median %.1f ms (min %.1f, max %.1f, 5 runs)\n",
                historyRecords > 0 ? qPrintable(QStringLiteral(" with %1 saved questions").arg(historyRecords)) : "",
                launches[2], launches.front(), launches.back());
    QFile::remove(historyPath);
}

void appendFigures()
{
    tovik::TextBox box(QStringLiteral("Answer"));
    box.resize(700, 400);
    box.show();
    const double first = perLineMicroseconds(box, 0, 1000);
    QElapsedTimer bulk;
    bulk.start();
    for (int i = 1000; i < 99000; ++i) {
        box.appendLine(QStringLiteral("Line %1 of the answer, citing [來源: report.pdf p. %2]").arg(i).arg(i % 300 + 1));
        if (i % 50 == 0)
            QCoreApplication::processEvents(); // a turn every 50 lines, as a fast child delivers them
    }
    QCoreApplication::processEvents();
    const double middleSeconds = bulk.nsecsElapsed() / 1e9;
    const double last = perLineMicroseconds(box, 99000, 1000);
    std::printf("answer append with paint: first 1,000 lines %.1f us/line, last 1,000 lines %.1f us/line "
                "(ratio %.2f); 98,000 lines between (a turn per 50 lines, no paint) took %.2f s\n",
                first, last, last / first, middleSeconds);
}
} // namespace

int main(int argc, char **argv)
{
    // As the application does for a long history when TOVIK_HUGE_PAGES=1 (the history
    // here is the bench's own, made after this point).
    tovik::HugePageHeap::restartIfWorthIt(argv);
    std::printf("allocator: %s\n", tovik::HugePageHeap::isInUse() ? "huge pages asked for" : "as it is");
    tovik::LargeAllocations::mapEachOnItsOwn(); // as the application does

    // Headless unless a platform is asked for (QT_QPA_PLATFORM=xcb draws on $DISPLAY).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Keep the user's own settings and history out of it.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    // A tovikRAG already open on this desktop would take the launches over.
    QDir(home.path()).mkpath(QStringLiteral(".runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/.runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path() + QStringLiteral("/.runtime")));
    QApplication qapp(argc, argv);
    QStringList sections = qapp.arguments().mid(1);
    if (sections.isEmpty())
        sections = {QStringLiteral("launch"), QStringLiteral("append"), QStringLiteral("lines"),
                    QStringLiteral("longline"), QStringLiteral("citations")};
    for (QString section : std::as_const(sections)) {
        // "lines:200000" and the like set the size of a section.
        const int size = section.section(QLatin1Char(':'), 1).toInt();
        section = section.section(QLatin1Char(':'), 0, 0);
        if (section == QLatin1String("launch"))
            launchFigures(size);
        else if (section == QLatin1String("append"))
            appendFigures();
        else if (section == QLatin1String("lines"))
            bench::manyLinesFigures(size > 0 ? size : 1000000);
        else if (section == QLatin1String("longline") && size > 0) {
            bench::longLineFigures(QStringLiteral("%1 MB on one line").arg(size), qsizetype(size) << 20, false);
        } else if (section == QLatin1String("longline")) {
            bench::longLineFigures(QStringLiteral("1 MB line without spaces"), 1 << 20, true);
            bench::longLineFigures(QStringLiteral("50 MB on one line"), 50 << 20, false);
        } else if (section == QLatin1String("history") || section == QLatin1String("history-varied")) {
            bench::historyFigures(size > 0 ? size : 100000, section == QLatin1String("history-varied"));
        } else if (section == QLatin1String("citations")) {
            const int count = size > 0 ? size : 20000;
            bench::citationFigures(QStringLiteral("%1 cited files").arg(count), count, 1);
            bench::citationFigures(QStringLiteral("%1 cited pages of one file").arg(count * 3 / 2), 1, count * 3 / 2);
        }
        std::fflush(stdout);
    }
    return 0;
}
