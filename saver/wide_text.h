// Text at the Windows seam: UTF-8 inside the program, UTF-16 (wchar_t) in
// the W functions of Windows, so that names beyond the code page survive.
#pragma once

#include <string>

#include "system/unicode.h"

namespace glowpond {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wchar_t holds UTF-16");

inline std::wstring wideFromUtf8(const std::string& text) {
    const std::u16string units = utf16FromUtf8(text);
    return std::wstring(units.begin(), units.end());
}

inline std::string utf8FromWide(const std::wstring& text) {
    return utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

}  // namespace glowpond
