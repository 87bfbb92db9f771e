#include "system/largeallocations.h"

#include <malloc.h>

namespace tovik {

void serveLargeAllocationsByMapping()
{
#ifdef M_MMAP_THRESHOLD
    // A fixed threshold also turns off the C library's own raising of it.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

} // namespace tovik
