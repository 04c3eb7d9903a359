// How the process's allocator treats large blocks.
//
// Every scan allocates and frees blocks of a megabyte and more (the FITS writer's buffers,
// frames being read). glibc raises its mmap threshold each time such a block is freed, after
// which the same blocks come from the heap and fragment it: the resident size grew some 30 kB a
// scan with nothing live growing. A fixed threshold keeps each large block in a mapping of its
// own, returned to the system when freed (about 6 kB a scan then, measured over 20 scans).
//
// Threads: call once at start-up, before other threads allocate.
#pragma once

namespace helx::os {

// Blocks of at least this many bytes always get a mapping of their own (glibc's default
// starting threshold, kept from moving).
constexpr int kLargeBlockBytes = 128 * 1024;

void KeepLargeBlocksOutOfTheHeap();

}  // namespace helx::os
