#pragma once

#include <QElapsedTimer>
#include <QTimer>

namespace bench {

// Largest gap between ticks of a 1 ms timer while it runs: the longest time the
// interface thread was busy with one thing. On a loaded machine the wall-clock gap
// also counts time the thread was not running, so the thread's own CPU time between
// the two ticks is kept too.
class StallMeter
{
public:
    StallMeter();
    void start();
    double stopMs();
    double longestMs() const { return double(m_longest) / 1e6; }
    double longestBusyMs() const { return double(m_longestBusy) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_lastBusy = 0;
    qint64 m_longestBusy = 0;
};

// CPU time of the calling thread, nanoseconds.
qint64 threadCpuNanoseconds();
// CPU time of the whole process, every thread of it, in nanoseconds.
qint64 processCpuNanoseconds();

} // namespace bench
