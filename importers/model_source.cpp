#include "importers/model_source.h"

#include <utility>

namespace glowpond {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool companionName(const std::string& reference, std::string& name) {
    std::string decoded;
    decoded.reserve(reference.size());
    for (size_t i = 0; i < reference.size(); ++i) {
        char c = reference[i];
        if (c == '%') {
            const int high = i + 2 < reference.size() ? hexDigit(reference[i + 1]) : -1;
            const int low = high >= 0 ? hexDigit(reference[i + 2]) : -1;
            if (low < 0) return false;
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (c == '\0') return false;
        decoded += c == '\\' ? '/' : c;
    }
    if (decoded.empty() || decoded[0] == '/') return false;
    // A scheme or a drive: letters (and + - .) before the first ':'.
    const size_t colon = decoded.find(':');
    if (colon != std::string::npos) {
        bool scheme = colon > 0 && isLetter(decoded[0]);
        for (size_t i = 0; scheme && i < colon; ++i) {
            const char c = decoded[i];
            scheme = isLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        }
        if (scheme) return false;
    }
    std::string result;
    size_t start = 0;
    while (start <= decoded.size()) {
        size_t end = decoded.find('/', start);
        if (end == std::string::npos) end = decoded.size();
        const std::string step = decoded.substr(start, end - start);
        if (step == "..") {
            if (result.empty()) return false;
            const size_t slash = result.rfind('/');
            result.erase(slash == std::string::npos ? 0 : slash);
        } else if (!step.empty() && step != ".") {
            if (!result.empty()) result += '/';
            result += step;
        }
        start = end + 1;
    }
    // "x/" and "." name folders.
    if (result.empty() || decoded.back() == '/') return false;
    name = std::move(result);
    return true;
}

}  // namespace glowpond
