#include "system/largeallocations.h"

#include <malloc.h>

namespace tovik {

void LargeAllocations::mapEachOnItsOwn()
{
#ifdef M_MMAP_THRESHOLD
    ::mallopt(M_MMAP_THRESHOLD, ownMappingFromBytes);
#endif
#ifdef M_TRIM_THRESHOLD
    ::mallopt(M_TRIM_THRESHOLD, keptFreeBytes);
#endif
}

} // namespace tovik
