#pragma once

#include <QtGlobal>

namespace tovik {

// Keeps the memory just past the end of a growing buffer (the answer of a job that
// prints fast) backed by pages before the buffer's owner writes there. A page's first
// write costs a fault and zeroing in the kernel; on a virtual machine that hands its
// free pages back to the host, more than copying the text into it. Here that first
// touch is made on a helper thread with madvise(MADV_POPULATE_WRITE), a window at a
// time ahead of the writer, so the GUI thread only copies.
//
// The helper never reads or writes the buffer: it asks the kernel to map pages of an
// address range, which changes no byte and fails quietly for a range that is gone, so
// a buffer moved or freed meanwhile costs nothing but the wasted request. Where the
// kernel cannot (before Linux 5.14), nothing happens and the writer faults as before.
// One object per buffer, used on one thread.
//
// Only where a core is to spare: a flood of output keeps three threads busy (the child,
// the output reader, the GUI thread), so the helper works from four cores on. With
// fewer it takes its time from the threads that make the text, and the writer's own
// first touches cost less than that in all.
class PageWarmer final
{
public:
    // How far ahead of the written end pages are made ready, how close the writer may
    // come to the ready end before the next window is asked for, and the least worth
    // asking for.
    static constexpr qsizetype windowBytes = qsizetype(8) << 20;
    static constexpr qsizetype refillBytes = windowBytes / 2;
    static constexpr qsizetype leastBytes = qsizetype(256) << 10;

    // The buffer at `data` holds `capacityBytes`, of which the first `usedBytes` are
    // written. Cheap when nothing is to be done: call it after every append. A buffer
    // is warmed from the second call that finds it at the same address on.
    //
    // `allocation`, when given, is the block from malloc() that holds the buffer. A
    // growing block that is a mapping of its own (from 2 MB on) is asked to be backed
    // by huge pages (2 MB) where the kernel has them on request: its first touches are
    // then a fault per 2 MB instead of per 4 KB, whatever the number of cores.
    void ahead(const void *data, qsizetype usedBytes, qsizetype capacityBytes, const void *allocation = nullptr);

    // Waits until every window asked for is ready (tests).
    static void waitForRequests();

    // Whether windows are made ready at all: from four cores on, unless a test says.
    static bool isUsed();
    static void setUsed(bool used);

    // Asks for huge pages for `allocation` when it is a mapping of its own: true when
    // asked.
    static bool askForHugePages(const void *allocation);

private:
    quintptr m_hugeAllocation = 0; // the block last asked for huge pages
    quintptr m_base = 0;
    quintptr m_readyEnd = 0; // address up to which pages were asked for
};

} // namespace tovik
