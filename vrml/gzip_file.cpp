#include "vrml/gzip_file.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace glowpond {
namespace {

struct InflateEnd {
    void operator()(z_stream* stream) const { inflateEnd(stream); }
};

}  // namespace

size_t unpackedLimit(int64_t packedBytes, size_t cap) {
    // An unknown size (-1) allows the free amount alone.
    const int64_t byRatio = packedBytes <= 0                                 ? 0
                            : packedBytes < INT64_MAX / kMaxPackingRatio ? packedBytes * kMaxPackingRatio
                                                                         : INT64_MAX;
    const uint64_t limit = std::max<uint64_t>(kFreelyUnpackedBytes, static_cast<uint64_t>(byRatio));
    return static_cast<size_t>(std::min<uint64_t>(limit, cap));
}

Unpacked gunzipFile(std::FILE* file, size_t maxBytes, std::string& text) {
    text.clear();
    if (!file) return Unpacked::Unreadable;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return Unpacked::Damaged;  // 16: gzip only
    const std::unique_ptr<z_stream, InflateEnd> ending(&stream);

    constexpr size_t kChunk = 65536;
    const auto in = std::make_unique<unsigned char[]>(kChunk);
    const auto out = std::make_unique<char[]>(kChunk);
    bool memberStarted = false;  // output or input of the current member has been seen
    for (;;) {
        if (stream.avail_in == 0) {
            stream.next_in = in.get();
            stream.avail_in = static_cast<uInt>(std::fread(in.get(), 1, kChunk, file));
            if (std::ferror(file)) return Unpacked::Unreadable;
            if (stream.avail_in == 0) return memberStarted ? Unpacked::Damaged : Unpacked::Whole;
        }
        const uInt inBefore = stream.avail_in;
        stream.next_out = reinterpret_cast<Bytef*>(out.get());
        stream.avail_out = kChunk;
        const int result = inflate(&stream, Z_NO_FLUSH);
        const size_t got = kChunk - stream.avail_out;
        if (result == Z_DATA_ERROR && !memberStarted && !text.empty()) {
            return Unpacked::Whole;  // bytes after the last member that are no member: ignored, as gzip does
        }
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return Unpacked::Damaged;
        memberStarted = memberStarted || got > 0 || stream.avail_in < inBefore;
        if (got > maxBytes - text.size()) {
            text.append(out.get(), maxBytes - text.size());
            return Unpacked::Cut;
        }
        text.append(out.get(), got);
        if (result == Z_STREAM_END) {
            // Another member may follow.
            inflateReset(&stream);
            memberStarted = false;
        }
    }
}

}  // namespace glowpond
