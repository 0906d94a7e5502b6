// UTF-8, the program's text inside, and UTF-16, the text of Windows and of
// Unicode settings files.
#pragma once

#include <string>

namespace glowpond {

// Broken sequences (a stray byte, an overlong form, a lone surrogate) become
// U+FFFD: a path that held one cannot name an existing file either way.
std::u16string utf16FromUtf8(const std::string& text);
std::string utf8FromUtf16(const std::u16string& text);

// Whether `text` is well-formed UTF-8 (plain ASCII is).
bool isUtf8(const std::string& text);

}  // namespace glowpond
