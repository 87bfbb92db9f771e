// Start-up and streaming figures for the main window.
//  1. Launch to first painted window: the real tovikrag started as a child (offscreen),
//     timed until it reports its first paint.
//  2. Appending a 100,000-line answer to a tab: time per line for the first and the
//     last 1,000 lines, each line followed by a layout and paint of the answer box.
#include "textbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
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
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);

    std::vector<double> launches;
    for (int i = 0; i < 5; ++i)
        launches.push_back(launchToFirstPaintMs());
    std::sort(launches.begin(), launches.end());
    std::printf("launch to first painted window: median %.1f ms (min %.1f, max %.1f, 5 runs)\n", launches[2],
                launches.front(), launches.back());

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
    return 0;
}
