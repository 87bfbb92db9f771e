#pragma once

#include <QByteArray>

#include <optional>

namespace tovik {

// glibc's allocator takes memory from the kernel a 4 KB page at a time, and reading a
// long history is hundreds of thousands of first touches. Where the kernel gives
// transparent huge pages on request, the allocator can be asked (through its
// GLIBC_TUNABLES) to request them; tunables are read only when a program starts, so
// the application starts itself once more with the tunable set. That second start costs
// about as much as loading the program, so it is made only for a history file large
// enough to gain more.
class HugePageHeap final
{
public:
    HugePageHeap() = delete;

    // What the process knows when it decides.
    struct Situation
    {
        QByteArray tunables;       // GLIBC_TUNABLES, maybe empty
        QByteArray kernelMode;     // /sys/kernel/mm/transparent_hugepage/enabled
        QByteArray glibcVersion;   // gnu_get_libc_version()
        bool restarted = false;    // this process is the restart
        bool declined = false;     // TOVIK_HUGE_PAGES=0
        bool asked = false;        // TOVIK_HUGE_PAGES=1: whatever the history's size
        bool underValgrind = false;
        qint64 historyBytes = 0;   // size of the history file, 0 when there is none
    };

    static constexpr qint64 worthFromHistoryBytes = qint64(64) << 20;

    // The GLIBC_TUNABLES to start again with, or nothing when there is no point: the
    // history is small (unless asked), the kernel never gives huge pages, glibc is older
    // than 2.35, the tunable is set already, the user declined, or a tool such as
    // Valgrind watches.
    static std::optional<QByteArray> tunablesToRestartWith(const Situation &situation);

    // Restarts the process (/proc/self/exe with `argv`) with the tunable when that
    // helps; returns only when it doesn't, when the restart failed, or in the restarted
    // process, whose environment it puts back as it was for the programs it starts.
    static void restartIfWorthIt(char **argv);
    // Whether this process was restarted with the tunable.
    static bool isInUse();
};

} // namespace tovik
