#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSemaphore>
#include <QThreadPool>

#include <utility>

namespace tovik {

// For jobs that run on a QThreadPool and report back to the interface thread.

// From the job: calls `done(result)` on `receiver`'s thread, later, unless `guard`'s
// object is gone by then (the guard is only looked at on that thread).
template<typename Done, typename Result>
void handBack(QObject *receiver, QPointer<QObject> guard, Done done, Result result)
{
    QMetaObject::invokeMethod(
        receiver,
        [guard = std::move(guard), done = std::move(done), result = std::move(result)] {
            if (guard)
                done(result);
        },
        Qt::QueuedConnection);
}

// Blocks until every job started on `queue` before the call has run. A marker job rather
// than waitForDone(), which would end the queue's threads (tests).
inline void waitForQueuedJobs(QThreadPool &queue)
{
    QSemaphore reached;
    queue.start([&reached] { reached.release(); });
    reached.acquire();
}

} // namespace tovik
