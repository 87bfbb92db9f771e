#include "system/pagewarmer.h"
#include "system/largeallocations.h"
#include "system/processthreadpool.h"

#include <QThread>
#include <QThreadPool>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace tovik {

namespace {

quintptr pageSize()
{
    static const quintptr size = quintptr(::sysconf(_SC_PAGESIZE));
    return size;
}

// One thread: windows are made ready in the order asked, and a second core is the
// most this ever takes. It is waited for when the application object goes.
QThreadPool &warmerPool()
{
    static QThreadPool *const pool = newProcessThreadPool<&warmerPool, -1>(1);
    return *pool;
}

} // namespace

void PageWarmer::ahead(const void *data, qsizetype usedBytes, qsizetype capacityBytes, const void *allocation)
{
    const auto base = reinterpret_cast<quintptr>(data);
    const quintptr used = base + quintptr(usedBytes);
    if (base != m_base) {
        // A new or moved buffer: what was asked for the old address says nothing. It is
        // helped from its next append on: a text set once, however long (one huge
        // line), is not growing, and its room is left untouched.
        m_base = base;
        m_readyEnd = used;
        return;
    }
    const auto block = reinterpret_cast<quintptr>(allocation);
    if (block != 0 && block != m_hugeAllocation && capacityBytes >= LargeAllocations::ownMappingFromBytes) {
        m_hugeAllocation = block;
        askForHugePages(allocation);
    }
    if (!isUsed())
        return;
    if (m_readyEnd > used + quintptr(refillBytes))
        return;
    // Whole pages inside the buffer only, from the first one the writer has not reached.
    const quintptr mask = ~(pageSize() - 1);
    const quintptr from = (std::max(m_readyEnd, used) + pageSize() - 1) & mask;
    const quintptr to = std::min(base + quintptr(capacityBytes), used + quintptr(windowBytes)) & mask;
    if (to < from + quintptr(leastBytes))
        return;
    m_readyEnd = to;
    warmerPool().start([from, to] { ::madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE); });
}

bool PageWarmer::askForHugePages(const void *allocation)
{
    // glibc puts a block of its own mapping 16 bytes after the mapping's start and lets
    // it use the mapping to its end. Anything else (a block inside the heap, another
    // allocator) has no mapping to itself, and its neighbours are left alone.
    const auto block = reinterpret_cast<quintptr>(allocation);
    const quintptr start = block - 2 * sizeof(size_t);
    const quintptr end = block + ::malloc_usable_size(const_cast<void *>(allocation));
    if (start % pageSize() != 0 || end % pageSize() != 0)
        return false;
    return ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE) == 0;
}

namespace {
int g_used = -1; // -1: as the machine's cores say. GUI thread only.
} // namespace

bool PageWarmer::isUsed()
{
    if (g_used < 0)
        g_used = QThread::idealThreadCount() >= 4 ? 1 : 0;
    return g_used == 1;
}

void PageWarmer::setUsed(bool used)
{
    g_used = used ? 1 : 0;
}

void PageWarmer::waitForRequests()
{
    warmerPool().waitForDone();
}

} // namespace tovik
