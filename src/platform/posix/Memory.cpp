#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/exec.h"

namespace exec {

void DiscardMemory(void *address, size_t length)
{
    static const uintptr_t pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(address);
    const uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const uintptr_t end = (start + length) & ~(pageSize - 1);
    // Private memory only: MADV_DONTNEED makes its pages read as zeros, it never fails for them, and
    // what it cannot discard is merely kept.
    if (first < end)
        madvise(reinterpret_cast<void *>(first), end - first, MADV_DONTNEED);
}

} // namespace exec
