#pragma once

#include <QCoreApplication>
#include <QThreadPool>

namespace tovik {

// A thread pool that lives as long as the process, made by the function `Pool` that
// hands it out (on its first call, from a function-local static). When the application
// object goes, tasks not yet started are dropped and running ones get WaitAtExitMs to
// finish (-1: as long as they take), so none is left using a library while the
// process tears down.
template<QThreadPool &(*Pool)(), int WaitAtExitMs>
QThreadPool *newProcessThreadPool(int maxThreads, int expiryMs = 30000)
{
    auto *created = new QThreadPool;
    created->setMaxThreadCount(maxThreads);
    created->setExpiryTimeout(expiryMs);
    qAddPostRoutine([] {
        Pool().clear();
        Pool().waitForDone(WaitAtExitMs);
    });
    return created;
}

} // namespace tovik
