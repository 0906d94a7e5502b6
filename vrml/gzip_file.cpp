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

Unpacked gunzipFile(std::FILE* file, size_t maxBytes, std::string& text, uint64_t* ignoredBytes) {
    text.clear();
    if (ignoredBytes) *ignoredBytes = 0;
    if (!file) return Unpacked::Unreadable;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return Unpacked::Damaged;  // 16: gzip only
    const std::unique_ptr<z_stream, InflateEnd> ending(&stream);

    constexpr size_t kChunk = 65536;
    const auto in = std::make_unique<unsigned char[]>(kChunk);
    const auto out = std::make_unique<char[]>(kChunk);
    bool memberStarted = false;  // output or input of the current member has been seen
    bool memberGaveData = false;
    uint64_t read = 0;        // bytes read from the file
    uint64_t membersEnd = 0;  // where the last whole member ended
    // The bytes after the last whole member, with those not read yet.
    auto trailing = [&] {
        if (ignoredBytes) {
            uint64_t rest = 0;
            size_t got;
            while ((got = std::fread(in.get(), 1, kChunk, file)) > 0) rest += got;
            *ignoredBytes = read + rest - membersEnd;
        }
        return Unpacked::Whole;
    };
    for (;;) {
        if (stream.avail_in == 0) {
            stream.next_in = in.get();
            stream.avail_in = static_cast<uInt>(std::fread(in.get(), 1, kChunk, file));
            read += stream.avail_in;
            if (std::ferror(file)) return Unpacked::Unreadable;
            if (stream.avail_in == 0) {
                if (!memberStarted) return Unpacked::Whole;
                // A last member too short to give anything (a stray byte or two) is no member.
                return memberGaveData || membersEnd == 0 ? Unpacked::Damaged : trailing();
            }
        }
        const uInt inBefore = stream.avail_in;
        stream.next_out = reinterpret_cast<Bytef*>(out.get());
        stream.avail_out = kChunk;
        const int result = inflate(&stream, Z_NO_FLUSH);
        const size_t got = kChunk - stream.avail_out;
        if (result == Z_DATA_ERROR && !memberGaveData && membersEnd > 0) {
            return trailing();  // bytes after the last member that are no member: ignored, as gzip does
        }
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return Unpacked::Damaged;
        memberStarted = memberStarted || got > 0 || stream.avail_in < inBefore;
        memberGaveData = memberGaveData || got > 0;
        if (got > maxBytes - text.size()) {
            text.append(out.get(), maxBytes - text.size());
            return Unpacked::Cut;
        }
        text.append(out.get(), got);
        if (result == Z_STREAM_END) {
            // Another member may follow.
            inflateReset(&stream);
            memberStarted = memberGaveData = false;
            membersEnd = read - stream.avail_in;
        }
    }
}

}  // namespace glowpond
