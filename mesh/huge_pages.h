// A hint for the loader's large tables: where the system offers it (Linux
// transparent huge pages on request), memory is backed by 2 MB pages, which
// spares most page faults and address-translation misses of lookups that
// jump across a hundred megabytes. Elsewhere it does nothing.
#pragma once

#include <cstddef>
#include <limits>
#include <new>
#include <vector>

namespace glowpond {

// Whether preferHugePages can get huge pages, and their size.
#if defined(__linux__)
constexpr bool kHugePagesOffered = true;
#else
constexpr bool kHugePagesOffered = false;
#endif
constexpr size_t kHugePageBytes = size_t(2) << 20;

// Asks for huge pages under the whole 2 MB pages inside [data, data + bytes),
// before they are first touched. Small ranges are left alone.
void preferHugePages(const void* data, size_t bytes);

// `bytes` (whole huge pages) starting on a huge page, offered huge pages,
// straight from the system where huge pages are offered: freeing it gives
// it back at once, where the C library's heap would keep what it had freed
// for later and a load's peak would count the scene and the mesh together.
// Throws std::bad_alloc when there is no memory.
void* allocateHugePages(size_t bytes);
void freeHugePages(void* memory, size_t bytes) noexcept;

// An allocator for the loader's large tables: memory of a megabyte and more
// starts on a huge page, is rounded up to whole ones and is offered them,
// so that no part of a table is left to small pages.
template <typename T>
class LargeAllocator {
public:
    using value_type = T;

    LargeAllocator() = default;
    template <typename U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(size_t count) {
        if (count > (std::numeric_limits<size_t>::max() - kHugePageBytes) / sizeof(T)) throw std::bad_alloc();
        if (!large(count)) return static_cast<T*>(::operator new(count * sizeof(T)));
        return static_cast<T*>(allocateHugePages(largeBytes(count)));
    }
    void deallocate(T* memory, size_t count) noexcept {
        if (large(count)) {
            freeHugePages(memory, largeBytes(count));
        } else {
            ::operator delete(memory);
        }
    }

    friend bool operator==(const LargeAllocator&, const LargeAllocator&) { return true; }
    friend bool operator!=(const LargeAllocator&, const LargeAllocator&) { return false; }

private:
    static bool large(size_t count) { return kHugePagesOffered && count * sizeof(T) >= kHugePageBytes / 2; }
    static size_t largeBytes(size_t count) {
        return (count * sizeof(T) + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    }
};

template <typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace glowpond
