// Windows-1252 both ways, for every build: a settings file reads alike on each.
#include "system/system_services.h"
#include "system/unicode.h"

namespace glowpond {
namespace {

// Bytes 0x80 to 0x9F hold these characters (the five undefined ones stand
// for themselves, as on Windows), all other bytes the character of their value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string AnsiCodePage::toUtf8(const std::string& ansi) const {
    std::u16string units;
    units.reserve(ansi.size());
    for (char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : char16_t{byte};
    }
    return utf8FromUtf16(units);
}

std::optional<std::string> AnsiCodePage::fromUtf8(const std::string& text) const {
    if (!isUtf8(text)) return std::nullopt;
    std::string out;
    out.reserve(text.size());
    for (char16_t c : utf16FromUtf8(text)) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += static_cast<char>(c);
            continue;
        }
        size_t i = 0;
        while (i < 32 && kHighControls[i] != c) ++i;
        if (i == 32) return std::nullopt;
        out += static_cast<char>(0x80 + i);
    }
    return out;
}

}  // namespace glowpond
