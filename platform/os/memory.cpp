#include "platform/os/memory.h"

#include <malloc.h>

namespace helx::os {

void KeepLargeBlocksOutOfTheHeap() { mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes); }

}  // namespace helx::os
