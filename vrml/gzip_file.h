// Model files compressed with gzip (".wrz", and ".wrl" files that exporters
// compressed): recognised by their first two bytes, unpacked with zlib.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace glowpond {

// Whether `head`, the first bytes of a file, starts as gzip data does.
inline bool isGzip(std::string_view head) { return head.size() >= 2 && head[0] == '\x1F' && head[1] == '\x8B'; }

enum class Unpacked {
    Whole,       // `text` holds all of the data
    Cut,         // `text` holds the first maxBytes bytes, and more would follow
    Damaged,     // not gzip data, or cut short or corrupt: `text` holds what came before
    Unreadable,  // the file cannot be opened or read
};

// Unpacks the gzip data of `file` from where it stands (members written one
// after another included) into `text`, at most `maxBytes` bytes of it.
Unpacked gunzipFile(std::FILE* file, size_t maxBytes, std::string& text);

}  // namespace glowpond
