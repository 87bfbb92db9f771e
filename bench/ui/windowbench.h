#pragma once

// A real main window with one tab whose rag is a script that prints a prepared file,
// and the meters the window figures are taken with.

#include "stallmeter.h"

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace tovik {
class AppServices;
class ContentView;
class MainWindow;
class QuestionHistoryStore;
class RagSettings;
}

namespace bench {

// Resident memory of this process in bytes; the peak since resetPeak().
qint64 residentBytes();
qint64 peakResidentBytes();
void resetPeak();

// Aborts the program with a message when the interface thread makes no progress for
// `seconds` (a frozen window) or the process grows past `maxBytes`, so figures of a
// build that freezes can still be taken.
class Watchdog
{
public:
    Watchdog(int seconds, qint64 maxBytes);
    ~Watchdog();
    void setLabel(const QString &label);
    // Stops checking (for measuring an idle process) until resume().
    void pause();
    void resume();

private:
    struct State;
    std::shared_ptr<State> m_state;
    QTimer m_beat;
};

struct AskResult
{
    double seconds = 0;     // from ask to idle with every line shown
    double stallMs = 0;     // longest event-loop stall meanwhile
    double busyMs = 0;      // the most CPU time the interface thread spent between two turns
    double threadCpuMs = 0; // all CPU time of the interface thread meanwhile, its page faults included
    double processCpuMs = 0; // the same for every thread of the process (the output reader's among them)
    qint64 peakGrowth = 0;  // peak resident growth over the start, bytes
    long pageFaults = 0;    // first touches of memory by the interface thread meanwhile
    bool finished = false;  // false: the time limit came first
};

class WindowBench
{
public:
    // `prepareHistory`, when given, fills the history file before the window opens it.
    explicit WindowBench(const std::function<void(const QString &historyPath)> &prepareHistory = {});
    ~WindowBench();

    tovik::MainWindow &window() const { return *m_window; }
    tovik::ContentView &tab() const { return *m_tab; }
    QString folder() const { return m_folder.path(); }
    // Started as the window began to be made, after the history was prepared.
    const QElapsedTimer &sinceOpened() const { return m_opened; }

    // Asks with the output of rag being the bytes of `file`; returns when the session
    // is idle and the event loop has drained, or after `limitSeconds`. `settled` may ask
    // for more to wait for.
    AskResult ask(const QString &file, const std::function<bool()> &settled = {}, double limitSeconds = 600);

    // Runs `action` and then the event loop until nothing is left to do; milliseconds.
    static double timed(const std::function<void()> &action);
    // Spins the event loop until `done` or `seconds` pass; false on time-out.
    static bool spinUntil(const std::function<bool()> &done, double seconds);

private:
    QTemporaryDir m_folder;
    QElapsedTimer m_opened;
    std::unique_ptr<tovik::RagSettings> m_settings;
    std::unique_ptr<tovik::QuestionHistoryStore> m_history;
    std::unique_ptr<tovik::AppServices> m_services;
    tovik::MainWindow *m_window = nullptr;
    tovik::ContentView *m_tab = nullptr;
};

// Minor page faults of the calling thread so far.
long threadPageFaults();
// `cat` of the same file through a pipe, read in this event loop: seconds.
double catSeconds(const QString &file);

} // namespace bench
