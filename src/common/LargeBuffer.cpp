#include "common/LargeBuffer.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tovel {

void AdviseLargePages(void* buffer, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only the whole large pages inside the buffer: the bytes at either end
    // may belong to other allocations.
    const auto begin = reinterpret_cast<uintptr_t>(buffer);
    const uintptr_t first = (begin + kLargePageBytes - 1) & ~uintptr_t{kLargePageBytes - 1};
    const uintptr_t last = (begin + bytes) & ~uintptr_t{kLargePageBytes - 1};
    if (bytes >= kLargePageBytes && last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)bytes;
#endif
}

} // namespace tovel
