#include "importers/text_lines.h"

namespace glowpond {

std::string_view modelText(const uint8_t* data, size_t size, std::string& storage) {
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        return {reinterpret_cast<const char*>(data) + 3, size - 3};
    }
    const bool little = size >= 2 && data[0] == 0xFF && data[1] == 0xFE;
    const bool big = size >= 2 && data[0] == 0xFE && data[1] == 0xFF;
    if (!little && !big) return {reinterpret_cast<const char*>(data), size};
    storage.clear();
    storage.reserve(size / 2);
    auto unit = [&](size_t at) -> uint32_t {
        return little ? uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 : uint32_t{data[at]} << 8 | data[at + 1];
    };
    for (size_t at = 2; at + 1 < size; at += 2) {
        uint32_t code = unit(at);
        if (code >= 0xD800 && code < 0xDC00 && at + 3 < size) {
            const uint32_t low = unit(at + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        // A lone surrogate becomes the replacement character.
        if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;
        if (code < 0x80) {
            storage += static_cast<char>(code);
        } else if (code < 0x800) {
            storage += static_cast<char>(0xC0 | code >> 6);
            storage += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            storage += static_cast<char>(0xE0 | code >> 12);
            storage += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            storage += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            storage += static_cast<char>(0xF0 | code >> 18);
            storage += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            storage += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            storage += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return storage;
}

}  // namespace glowpond
