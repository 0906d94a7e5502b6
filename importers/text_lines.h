// Helpers of the text readers (OBJ, PLY, STL): model texts as lines of
// blank-separated words, whatever their encoding and line ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace glowpond {

// `size` bytes as UTF-8 text: UTF-16 with a byte-order mark (either byte
// order) is converted into `storage`, a UTF-8 byte-order mark is passed
// over. The result points into `data` or into `storage`.
std::string_view modelText(const uint8_t* data, size_t size, std::string& storage);

// Space, TAB, CR, vertical tab, form feed.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

inline const char* skipBlanks(const char* p, const char* end) {
    while (p != end && isBlank(*p)) ++p;
    return p;
}

inline const char* skipWord(const char* p, const char* end) {
    while (p != end && !isBlank(*p)) ++p;
    return p;
}

// Reads a line at a time from a text; '\n', "\r\n" and a lone '\r' end a line.
class LineReader {
public:
    explicit LineReader(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // The next line without its end; false at the end of the text.
    bool next(const char*& begin, const char*& end) {
        if (p_ == end_) return false;
        begin = p_;
        // The library's search runs many bytes at a time.
        const char* q = static_cast<const char*>(std::memchr(p_, '\n', static_cast<size_t>(end_ - p_)));
        if (!q) q = end_;
        if (const void* cr = std::memchr(p_, '\r', static_cast<size_t>(q - p_))) q = static_cast<const char*>(cr);
        end = q;
        if (q != end_ && *q == '\r') ++q;
        if (q != end_ && *q == '\n') ++q;
        p_ = q;
        ++line_;
        return true;
    }
    // The number of the line last returned, from 1.
    int64_t line() const { return line_; }
    const char* position() const { return p_; }

private:
    const char* p_;
    const char* end_;
    int64_t line_ = 0;
};

}  // namespace glowpond
