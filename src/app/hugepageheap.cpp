#include "hugepageheap.h"

#include "history/questionhistorystore.h"

#include <QFile>
#include <QFileInfo>
#include <QVersionNumber>

#include <cstdlib>

#include <gnu/libc-version.h>
#include <unistd.h>

namespace tovik {

namespace {

constexpr char tunable[] = "glibc.malloc.hugetlb";
constexpr char restartedMarker[] = "TOVIK_HUGE_PAGES_RESTARTED";
constexpr char originalTunables[] = "TOVIK_ORIGINAL_GLIBC_TUNABLES";

bool inUse = false;

QByteArray fileText(const char *path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::optional<QByteArray> HugePageHeap::tunablesToRestartWith(const Situation &situation)
{
    if (situation.restarted || situation.declined || situation.underValgrind
        || (situation.historyBytes < worthFromHistoryBytes && !situation.asked))
        return std::nullopt;
    // "always [madvise] never": the chosen mode is in brackets.
    if (!situation.kernelMode.contains("[always]") && !situation.kernelMode.contains("[madvise]"))
        return std::nullopt;
    if (QVersionNumber::fromString(QString::fromLatin1(situation.glibcVersion)) < QVersionNumber(2, 35))
        return std::nullopt;
    if (situation.tunables.contains(tunable))
        return std::nullopt;
    QByteArray tunables = situation.tunables;
    if (!tunables.isEmpty())
        tunables += ':';
    return tunables + tunable + "=1";
}

bool HugePageHeap::isInUse()
{
    return inUse;
}

void HugePageHeap::restartIfWorthIt(char **argv)
{
    if (qEnvironmentVariableIsSet(restartedMarker)) {
        // This is the second start. glibc has read its tunables by now: rag and anything
        // else started from here get the environment as it was.
        inUse = true;
        unsetenv(restartedMarker);
        if (qEnvironmentVariableIsSet(originalTunables)) {
            setenv("GLIBC_TUNABLES", qgetenv(originalTunables).constData(), 1);
            unsetenv(originalTunables);
        } else {
            unsetenv("GLIBC_TUNABLES");
        }
        return;
    }
    const Situation situation{qgetenv("GLIBC_TUNABLES"),
                              fileText("/sys/kernel/mm/transparent_hugepage/enabled"),
                              gnu_get_libc_version(),
                              false,
                              qgetenv("TOVIK_HUGE_PAGES") == "0",
                              qgetenv("TOVIK_HUGE_PAGES") == "1",
                              qEnvironmentVariableIsSet("VALGRIND_LAUNCHER"),
                              QFileInfo(QuestionHistoryStore::defaultDatabasePath()).size()};
    const std::optional<QByteArray> tunables = tunablesToRestartWith(situation);
    if (!tunables)
        return;
    if (qEnvironmentVariableIsSet("GLIBC_TUNABLES"))
        setenv(originalTunables, qgetenv("GLIBC_TUNABLES").constData(), 1);
    setenv("GLIBC_TUNABLES", tunables->constData(), 1);
    setenv(restartedMarker, "1", 1);
    execv("/proc/self/exe", argv);
    // Still here: carry on with the allocator as it is.
    unsetenv(restartedMarker);
    unsetenv(originalTunables);
    if (situation.tunables.isEmpty())
        unsetenv("GLIBC_TUNABLES");
    else
        setenv("GLIBC_TUNABLES", situation.tunables.constData(), 1);
}

} // namespace tovik
