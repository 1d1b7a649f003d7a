#include "platform/HeapGrowth.h"

#include <malloc.h>

namespace heapgrowth {
void growInLargeSteps() {
    // Only address space is taken in these steps: pages are still made as they are first touched.
    mallopt(M_TOP_PAD, 64 << 20);
}

void giveBackFreed() { malloc_trim(0); }
}  // namespace heapgrowth
