#include "mesh/huge_pages.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// The sanitizer builds keep the library's allocation, so that a table
// never freed is still reported as a leak.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLOWPOND_SANITIZED_ALLOCATION 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define GLOWPOND_SANITIZED_ALLOCATION 1
#endif
#if defined(__linux__) && !defined(GLOWPOND_SANITIZED_ALLOCATION)
#define GLOWPOND_MAPPED_TABLES 1
#endif

namespace glowpond {

void preferHugePages(const void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = kHugePageBytes;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    // Only a hint: where the system refuses, the memory stays as it was.
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

void* allocateHugePages(size_t bytes) {
#if defined(GLOWPOND_MAPPED_TABLES)
    // Mapped with a huge page to spare, then trimmed to start on one.
    constexpr uintptr_t kHugePage = kHugePageBytes;
    if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
    void* mapped = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) munmap(mapped, aligned - start);
    const uintptr_t tail = aligned + bytes, end = start + bytes + kHugePage;
    if (end > tail) munmap(reinterpret_cast<void*>(tail), end - tail);
    void* memory = reinterpret_cast<void*>(aligned);
    preferHugePages(memory, bytes);
    return memory;
#else
    void* memory = ::operator new(bytes, std::align_val_t(kHugePageBytes));
    preferHugePages(memory, bytes);
    return memory;
#endif
}

void freeHugePages(void* memory, size_t bytes) noexcept {
#if defined(GLOWPOND_MAPPED_TABLES)
    munmap(memory, bytes);
#else
    (void)bytes;
    ::operator delete(memory, std::align_val_t(kHugePageBytes));
#endif
}

}  // namespace glowpond
