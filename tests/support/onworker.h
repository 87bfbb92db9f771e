#pragma once

#include <QSemaphore>
#include <QThreadPool>

#include <optional>
#include <type_traits>
#include <utility>

namespace tovik::test {

// Runs `function` on one of `pool`'s threads and waits for what it returns. Waiting on a
// QFuture instead (result(), waitForFinished()) runs a task the pool has not started yet
// on the waiting thread itself, which would make calls that must stay off the GUI thread
// there after all.
template<typename Function>
auto onWorker(QThreadPool &pool, Function function)
{
    std::optional<std::invoke_result_t<Function &>> result;
    QSemaphore done;
    pool.start([&] {
        result.emplace(function());
        done.release();
    });
    done.acquire();
    return std::move(*result);
}

} // namespace tovik::test
