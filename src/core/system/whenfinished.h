#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <utility>

namespace tovik {

// Calls `handler` with the future's result on `context`'s thread once it is there, and
// not at all if `context` is gone first or the future was cancelled. Unlike
// QFuture::then(context, ...), a context that dies before the result is fine: the
// watcher dies with it.
template<typename T, typename Handler>
void whenFinished(const QFuture<T> &future, QObject *context, Handler &&handler)
{
    auto *watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, handler = std::forward<Handler>(handler)]() mutable {
                         watcher->deleteLater();
                         const QFuture<T> finished = watcher->future();
                         if (!finished.isCanceled() && finished.resultCount() > 0)
                             handler(finished.result());
                     });
    watcher->setFuture(future);
}

} // namespace tovik
