#include "stallmeter.h"

#include <time.h>

namespace bench {

qint64 threadCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

qint64 processCpuNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

StallMeter::StallMeter()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
        const qint64 busy = threadCpuNanoseconds();
        m_longestBusy = std::max(m_longestBusy, busy - m_lastBusy);
        m_lastBusy = busy;
    });
}

void StallMeter::start()
{
    m_longest = 0;
    m_longestBusy = 0;
    m_clock.start();
    m_last = 0;
    m_lastBusy = threadCpuNanoseconds();
    m_timer.start();
}

double StallMeter::stopMs()
{
    m_timer.stop();
    return longestMs();
}

} // namespace bench
