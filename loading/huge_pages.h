// A hint for the loader's large tables: where the system offers it (Linux
// transparent huge pages on request), memory is backed by 2 MB pages, which
// spares most page faults and address-translation misses of lookups that
// jump across a hundred megabytes. Elsewhere it does nothing.
#pragma once

#include <cstddef>
#include <vector>

namespace glowpond {

// Asks for huge pages under the whole 2 MB pages inside [data, data + bytes),
// before they are first touched. Small ranges are left alone.
void preferHugePages(const void* data, size_t bytes);

// Gives `list` room for `count` elements, asking huge pages for the new
// memory before the elements move in.
template <typename T>
void reserveLarge(std::vector<T>& list, size_t count) {
    if (count <= list.capacity()) return;
    std::vector<T> larger;
    larger.reserve(count);
    preferHugePages(larger.data(), count * sizeof(T));
    larger.insert(larger.end(), list.begin(), list.end());
    list.swap(larger);
}

}  // namespace glowpond
