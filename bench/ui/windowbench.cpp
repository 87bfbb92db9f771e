#include "windowbench.h"

#include "appservices.h"
#include "history/questionhistorystore.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabwindowarrangement.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "tabs/contentmodel.h"
#include "tabs/opentabcatalog.h"

#include <QCoreApplication>

#include <sys/resource.h>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace bench {

namespace {
qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(qstrlen(name)).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}
} // namespace

qint64 residentBytes()
{
    return statusField("VmRSS:");
}

qint64 peakResidentBytes()
{
    return statusField("VmHWM:");
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

struct Watchdog::State
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::atomic<qint64> lastBeat{0};
    std::atomic<bool> paused{false};
    QString label;
    std::thread thread;
};

namespace {
qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

Watchdog::Watchdog(int seconds, qint64 maxBytes)
    : m_state(std::make_shared<State>())
{
    m_state->lastBeat = nowMs();
    m_beat.setInterval(100);
    QObject::connect(&m_beat, &QTimer::timeout, &m_beat, [state = m_state] { state->lastBeat = nowMs(); });
    m_beat.start();
    m_state->thread = std::thread([state = m_state, seconds, maxBytes] {
        std::unique_lock lock(state->mutex);
        while (!state->wake.wait_for(lock, std::chrono::milliseconds(200), [&] { return state->stop; })) {
            if (state->paused)
                continue;
            const qint64 frozen = nowMs() - state->lastBeat;
            const qint64 resident = residentBytes();
            if (frozen > seconds * 1000LL || resident > maxBytes) {
                std::printf("  %s: ABORTED, interface thread frozen for %.1f s, resident %.0f MB\n",
                            qPrintable(state->label), frozen / 1000.0, resident / 1048576.0);
                std::fflush(stdout);
                std::_Exit(3);
            }
        }
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->wake.notify_all();
    m_state->thread.join();
}

void Watchdog::pause()
{
    m_beat.stop();
    m_state->paused = true;
}

void Watchdog::resume()
{
    m_state->lastBeat = nowMs();
    m_state->paused = false;
    m_beat.start();
}

void Watchdog::setLabel(const QString &label)
{
    std::lock_guard lock(m_state->mutex);
    m_state->label = label;
}

WindowBench::WindowBench(const std::function<void(const QString &historyPath)> &prepareHistory)
{
    const QString historyPath = m_folder.filePath(QStringLiteral("questions.sqlite"));
    if (prepareHistory)
        prepareHistory(historyPath);
    m_opened.start();
    // rag is a script that prints the file named in the environment.
    const QString rag = m_folder.filePath(QStringLiteral("rag"));
    QFile script(rag);
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\n[ \"$1\" = ask ] && exec cat \"$TOVIK_BENCH_OUTPUT\"\nexit 0\n");
    script.close();
    QFile::setPermissions(rag, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    m_settings = std::make_unique<tovik::RagSettings>();
    m_settings->setRagPath(rag);
    m_settings->setWorkingDirectory(m_folder.path());
    m_history = std::make_unique<tovik::QuestionHistoryStore>(historyPath, tovik::QuestionHistoryStore::Clock{});
    m_services = std::make_unique<tovik::AppServices>(*m_settings, *m_history);
    tovik::OpenTabCatalog::shared().setArrangement(&tovik::TabWindowArrangement::shared());
    m_window = new tovik::MainWindow(*m_services);
    m_tab = m_window->newTab();
    m_window->resize(1080, 720);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window))
        std::printf("  the window was not exposed\n");
    // Let the first tab's status check end.
    spinUntil([this] { return m_tab->session().didPrepare() && !m_tab->session().isBusy(); }, 10);
}

WindowBench::~WindowBench()
{
    delete m_window;
}

AskResult WindowBench::ask(const QString &file, const std::function<bool()> &settled, double limitSeconds)
{
    qputenv("TOVIK_BENCH_OUTPUT", QFile::encodeName(file));
    tovik::RagSession &session = m_tab->session();
    session.setQuestion(QStringLiteral("benchmark question"));
    resetPeak();
    const qint64 before = residentBytes();
    StallMeter meter;
    meter.start();
    QElapsedTimer clock;
    const qint64 cpuBefore = threadCpuNanoseconds();
    const qint64 processCpuBefore = processCpuNanoseconds();
    const long faultsBefore = threadPageFaults();
    clock.start();
    m_tab->model().ask();
    AskResult result;
    result.finished = spinUntil([&] { return !session.isBusy() && (!settled || settled()); }, limitSeconds);
    QCoreApplication::processEvents();
    result.seconds = double(clock.nsecsElapsed()) / 1e9;
    result.threadCpuMs = double(threadCpuNanoseconds() - cpuBefore) / 1e6;
    result.processCpuMs = double(processCpuNanoseconds() - processCpuBefore) / 1e6;
    result.stallMs = meter.stopMs();
    result.pageFaults = threadPageFaults() - faultsBefore;
    result.busyMs = meter.longestBusyMs();
    result.peakGrowth = peakResidentBytes() - before;
    if (session.hasErrorMessage())
        std::printf("  error: %s\n", qPrintable(session.errorMessageText()));
    return result;
}

double WindowBench::timed(const std::function<void()> &action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    QCoreApplication::processEvents();
    return double(clock.nsecsElapsed()) / 1e6;
}

bool WindowBench::spinUntil(const std::function<bool()> &done, double seconds)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the wait below at least every few milliseconds
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

long threadPageFaults()
{
    struct rusage usage;
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_minflt : 0;
}

double catSeconds(const QString &file)
{
    QProcess cat;
    qint64 bytes = 0;
    QObject::connect(&cat, &QProcess::readyReadStandardOutput, &cat,
                     [&] { bytes += cat.readAllStandardOutput().size(); });
    QEventLoop loop;
    QObject::connect(&cat, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    cat.start(QStringLiteral("cat"), {file});
    loop.exec();
    bytes += cat.readAllStandardOutput().size();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace bench
