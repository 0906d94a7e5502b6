// Model files compressed with gzip (".wrz", and ".wrl" files that exporters
// compressed), unpacked with zlib. A library of its own, so that a build
// without zlib (the browser page) plugs in another Decompressor.
#pragma once

#include "loading/decompression.h"

namespace glowpond {

class GzipDecompressor final : public Decompressor {
public:
    // The two bytes every gzip member starts with.
    bool recognises(const uint8_t* data, size_t size) const override;
    // Members written one after another are unpacked one after another.
    Result unpack(const uint8_t* data, size_t size, size_t maxBytes, std::vector<uint8_t>& out,
                  uint64_t& ignoredBytes) const override;
};

}  // namespace glowpond
