#include "ocr/openmplimit.h"

#include <dlfcn.h>

namespace tovik {

// Looked up rather than linked: with no active parallel level every parallel region
// runs on the calling thread alone, the in-process equivalent of OMP_THREAD_LIMIT=1,
// which libgomp reads only when it loads.
void limitOpenMPToThisThread()
{
    thread_local bool limited = false;
    if (limited)
        return;
    limited = true;
    using SetLevels = void (*)(int);
    static const auto setLevels = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    if (setLevels)
        setLevels(0);
}

int openMPActiveLevels()
{
    using GetLevels = int (*)();
    static const auto getLevels = reinterpret_cast<GetLevels>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
    return getLevels ? getLevels() : -1;
}

} // namespace tovik
