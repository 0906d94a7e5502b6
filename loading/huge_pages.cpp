#include "loading/huge_pages.h"

#include <cstdint>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace glowpond {

namespace {

// The whole pages of `size` inside [data, data + bytes), or an empty range.
std::pair<uintptr_t, uintptr_t> innerPages(const void* data, size_t bytes, uintptr_t size) {
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + size - 1) & ~(size - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(size - 1);
    return {begin, end > begin ? end : begin};
}

}  // namespace

void preferHugePages(const void* data, size_t bytes, bool filled) {
#if defined(MADV_HUGEPAGE)
    // Only hints: where the system refuses, the memory stays as it was.
    const auto [begin, end] = innerPages(data, bytes, uintptr_t(2) << 20);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#if defined(MADV_POPULATE_WRITE)
    const auto [first, last] = innerPages(data, bytes, 4096);
    if (filled && last - first >= (uintptr_t(1) << 20)) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
    }
#endif
#else
    (void)data;
    (void)bytes;
    (void)filled;
#endif
}

}  // namespace glowpond
