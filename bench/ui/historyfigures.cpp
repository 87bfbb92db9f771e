#include "historyfigures.h"

#include "historyfill.h"
#include "stallmeter.h"
#include "windowbench.h"

#include "history/historylistmodel.h"
#include "history/historysearchbox.h"
#include "history/questionhistorylist.h"
#include "mainwindow/contentview.h"
#include "tabs/contentmodel.h"

#include <QCoreApplication>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace bench {

namespace {

// Runs the event loop for `milliseconds`, sleeping while there is nothing to do.
void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

double processCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

void historyFigures(int recordCount, bool variedAnswers)
{
    Watchdog watchdog(300, qint64(6) << 30);
    watchdog.setLabel(QStringLiteral("%1 saved questions").arg(recordCount));
    QElapsedTimer filling;
    filling.start();
    WindowBench bench([&](const QString &path) {
        if (!fillHistory(path, recordCount, variedAnswers ? AnswerText::varied : AnswerText::repeated))
            std::printf("  could not fill the history\n");
        std::printf("history of %d saved questions (%s answers) written in %.1f s\n", recordCount,
                    variedAnswers ? "varied" : "repeated-paragraph", filling.elapsed() / 1000.0);
    });
    tovik::QuestionHistoryList &list = *bench.tab().historyList();
    const bool shown = WindowBench::spinUntil([&] { return list.model()->visibleRecords().size() == recordCount; }, 60);
    const double startSeconds = bench.sinceOpened().nsecsElapsed() / 1e9;
    const qint64 resident = residentBytes();
    std::printf("start to a window listing all %d: %.2f s%s (target <= 1 s); resident %.0f MB (target <= 200 MB)\n",
                recordCount, startSeconds, shown ? "" : " (NOT ALL LISTED)", double(resident) / 1048576.0);

    // Opening the History page: from the click until the list has been painted, and until
    // a paint shows rows (the list lays its rows out in batches first).
    QListView *view = list.findChild<QListView *>();
    struct PaintSpy : QObject
    {
        QListView *view = nullptr;
        QElapsedTimer clock;
        double rowsShownMs = -1;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && rowsShownMs < 0) {
                const QModelIndex top = view->indexAt(QPoint(20, 20));
                if (top.isValid() && view->visualRect(top).height() > 0)
                    rowsShownMs = clock.nsecsElapsed() / 1e6;
            }
            return false;
        }
    };
    PaintSpy spy;
    spy.view = view;
    view->viewport()->installEventFilter(&spy);
    spy.clock.start();
    const double openMs = WindowBench::timed([&] {
        bench.tab().model().setSidebarTab(tovik::SidebarTab::history);
        view->viewport()->repaint();
    });
    WindowBench::spinUntil([&] { return spy.rowsShownMs >= 0; }, 60);
    view->viewport()->removeEventFilter(&spy);
    std::printf("opening History with %d: %.1f ms to the first paint, %.1f ms until a paint shows rows "
                "(target <= 50 ms)\n",
                recordCount, openMs, spy.rowsShownMs);

    // Idle: nothing happens for two seconds, twice; the list measures its rows in batches
    // after opening, then the process should use next to no CPU. The watchdog's own
    // checks are paused meanwhile; in the second two seconds the text caret does not
    // blink either, to show what is left without it.
    watchdog.pause();
    const double idleStart = processCpuMs();
    runFor(2000);
    const double settleEnd = processCpuMs();
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    runFor(2000);
    const double idleEnd = processCpuMs();
    QApplication::setCursorFlashTime(flashTime);
    watchdog.resume();
    std::printf("idle: %.1f ms of CPU in the first 2 s after opening History (rows measured in batches, the caret "
                "blinking), %.1f ms in the next 2 s with the caret still (target: none)\n",
                settleEnd - idleStart, idleEnd - settleEnd);

    // Typing in the history search box: interface-thread CPU from each key until the
    // list settles (the debounce wait is idle time and not counted).
    auto *box = bench.tab().findChild<tovik::HistorySearchBox *>();
    if (!box) {
        std::printf("no history search box\n");
        return;
    }
    bench.tab().setFocus();
    std::vector<double> perKey;
    std::vector<double> longestTurn;
    for (const QChar c : QStringLiteral("Question 123")) {
        const qint64 before = threadCpuNanoseconds();
        StallMeter meter;
        meter.start();
        QTest::keyClick(box->field(), c.toLatin1());
        // Until the filter ran (the debounce is a few hundred milliseconds) and a turn more.
        runFor(400);
        meter.stopMs();
        perKey.push_back(double(threadCpuNanoseconds() - before) / 1e6);
        longestTurn.push_back(meter.longestBusyMs());
    }
    std::sort(perKey.begin(), perKey.end());
    std::sort(longestTurn.begin(), longestTurn.end());
    std::printf("history search, %zu keystrokes: interface-thread CPU per keystroke median %.1f ms, worst %.1f ms; "
                "longest busy turn median %.1f ms, worst %.1f ms (target <= 16 ms); %d rows shown for \"Question 123\"\n",
                perKey.size(), perKey[perKey.size() / 2], perKey.back(), longestTurn[longestTurn.size() / 2],
                longestTurn.back(), int(list.model()->visibleRecords().size()));
    std::printf("resident after the search: %.0f MB (the folded texts the filter keeps included)\n",
                double(residentBytes()) / 1048576.0);
}

} // namespace bench
