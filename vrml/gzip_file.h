// Model files compressed with gzip (".wrz", and ".wrl" files that exporters
// compressed): recognised by their first two bytes, unpacked with zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace glowpond {

// Whether `head`, the first bytes of a file, starts as gzip data does.
inline bool isGzip(std::string_view head) { return head.size() >= 2 && head[0] == '\x1F' && head[1] == '\x8B'; }

// How much text a gzip file of `packedBytes` bytes may unpack to. Model
// text packs to a fifth or a tenth of its size; text that packs far tighter
// is repetition, which reading turns into arrays many times its size (the
// corners of one long polygon, "0 1 2 ", take about 20 bytes for each
// character). So any file may unpack to kFreelyUnpackedBytes, a larger one
// to kMaxPackingRatio times its size, and none beyond `cap`: a file under a
// megabyte stays under 32 MB of text, and well under a gigabyte of memory.
constexpr size_t kFreelyUnpackedBytes = size_t{16} << 20;
constexpr int64_t kMaxPackingRatio = 32;
size_t unpackedLimit(int64_t packedBytes, size_t cap);

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
