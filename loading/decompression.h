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

// What a failed unpacking tells the user (as the reader's error, "<text>.").
extern const char kUnpackedTooLarge[];
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
    // bytes of it. May throw std::bad_alloc.
    virtual Result unpack(const uint8_t* data, size_t size, size_t maxBytes, std::vector<uint8_t>& out) const = 0;
};

}  // namespace glowpond
