// Compressed model files, unpacked as a step of loading before the content
// check. The loading pipeline knows only this interface: the programs hand
// in an implementation (zlib's gzip in the native and Windows builds).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glowpond {

// A compressed file may unpack to at most this many bytes.
constexpr size_t kMaxUnpackedBytes = size_t{256} << 20;

// How much a compressed file of `packedBytes` bytes may unpack to. Model
// text packs to a fifth or a tenth of its size; text that packs far tighter
// is repetition, which reading turns into arrays many times its size (the
// corners of one long polygon, "0 1 2 ", take about 20 bytes for each
// character). So any file may unpack to kFreelyUnpackedBytes, a larger one
// to kMaxPackingRatio times its size, and none beyond `cap`: a file under a
// megabyte stays under 32 MB of text, and well under a gigabyte of memory.
constexpr size_t kFreelyUnpackedBytes = size_t{16} << 20;
constexpr uint64_t kMaxPackingRatio = 32;
inline size_t unpackedLimit(size_t packedBytes, size_t cap = kMaxUnpackedBytes) {
    // In 64 bits: size_t is 32 bits wide in the browser page.
    const uint64_t packed = packedBytes;
    const uint64_t byRatio = packed < UINT64_MAX / kMaxPackingRatio ? packed * kMaxPackingRatio : UINT64_MAX;
    const uint64_t limit = byRatio > kFreelyUnpackedBytes ? byRatio : kFreelyUnpackedBytes;
    return static_cast<size_t>(limit < cap ? limit : cap);
}

// What a failed unpacking tells the user (as the reader's error, "<text>.").
extern const char kUnpackedTooLarge[];
extern const char kUnpackedTooDense[];
extern const char kPackedDamaged[];

class Decompressor {
public:
    enum class Result {
        Whole,     // `out` holds all of the data
        TooLarge,  // `out` holds the first maxBytes bytes, and more would follow
        Damaged,   // not such data, cut short or corrupt: `out` holds what came before
    };

    virtual ~Decompressor() = default;

    // Whether `data` starts as compressed data of this kind does.
    virtual bool recognises(const uint8_t* data, size_t size) const = 0;

    // Unpacks `data` into `out` (replacing what it held), at most `maxBytes`
    // bytes of it. Bytes after the last whole member that start no member
    // giving data are left, as gzip leaves them, and counted in
    // `ignoredBytes`. May throw std::bad_alloc.
    virtual Result unpack(const uint8_t* data, size_t size, size_t maxBytes, std::vector<uint8_t>& out,
                          uint64_t& ignoredBytes) const = 0;
};

}  // namespace glowpond
