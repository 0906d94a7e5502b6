#include "loading/gzip_decompressor.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace glowpond {
namespace {

struct InflateEnd {
    void operator()(z_stream* stream) const { inflateEnd(stream); }
};

}  // namespace

bool GzipDecompressor::recognises(const uint8_t* data, size_t size) const {
    return size >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

Decompressor::Result GzipDecompressor::unpack(const uint8_t* data, size_t size, size_t maxBytes,
                                              std::vector<uint8_t>& out, uint64_t& ignoredBytes) const {
    out.clear();
    ignoredBytes = 0;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return Result::Damaged;  // 16: gzip only
    const std::unique_ptr<z_stream, InflateEnd> ending(&stream);

    constexpr size_t kChunk = 65536;
    const auto buffer = std::make_unique<uint8_t[]>(kChunk);
    size_t left = size;  // zlib counts its input in 32 bits: fed in slices
    stream.next_in = const_cast<Bytef*>(data);
    bool memberStarted = false;  // output or input of the current member has been seen
    bool memberGaveData = false;
    size_t membersEnd = 0;  // where the last whole member ended
    auto trailing = [&] {
        ignoredBytes = size - membersEnd;
        return Result::Whole;
    };
    for (;;) {
        if (stream.avail_in == 0) {
            if (left == 0) {
                if (!memberStarted) return Result::Whole;
                // A last member too short to give anything (a stray byte or two) is no member.
                return memberGaveData || membersEnd == 0 ? Result::Damaged : trailing();
            }
            stream.avail_in = static_cast<uInt>(std::min<size_t>(left, UINT_MAX));
            left -= stream.avail_in;
        }
        const uInt inBefore = stream.avail_in;
        stream.next_out = buffer.get();
        stream.avail_out = kChunk;
        const int result = inflate(&stream, Z_NO_FLUSH);
        const size_t got = kChunk - stream.avail_out;
        if (result == Z_DATA_ERROR && !memberGaveData && membersEnd > 0) {
            return trailing();  // bytes after the last member that are no member: ignored, as gzip does
        }
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return Result::Damaged;
        memberStarted = memberStarted || got > 0 || stream.avail_in < inBefore;
        memberGaveData = memberGaveData || got > 0;
        if (got > maxBytes - out.size()) {
            out.insert(out.end(), buffer.get(), buffer.get() + (maxBytes - out.size()));
            return Result::TooLarge;
        }
        out.insert(out.end(), buffer.get(), buffer.get() + got);
        if (result == Z_STREAM_END) {
            // Another member may follow.
            inflateReset(&stream);
            memberStarted = memberGaveData = false;
            membersEnd = size - left - stream.avail_in;
        }
    }
}

}  // namespace glowpond
