#include "text/number_scan.h"

#include <fast_float/fast_float.h>

#include <cstddef>
#include <limits>

namespace glowpond {

const char* scanDouble(const char* first, const char* last, double& value) {
    const char* start = first;
    // The library takes '-' only; a '+' must not be followed by another sign.
    if (start != last && *start == '+') {
        ++start;
        if (start == last || *start == '-' || *start == '+') return first;
    }
    // Whole numbers of up to fifteen digits (index lists, counts) are exact
    // doubles: read them as integers.
    {
        const bool negative = start != last && *start == '-';
        const char* p = negative ? start + 1 : start;
        const char* digits = p;
        const char* shortEnd = last - p > 15 ? p + 15 : last;
        int64_t whole = 0;
        for (; p != shortEnd && static_cast<unsigned char>(*p - '0') < 10; ++p) whole = whole * 10 + (*p - '0');
        const bool ends = p == last || (static_cast<unsigned char>(*p - '0') >= 10 && *p != '.' && *p != 'e' && *p != 'E');
        if (p != digits && ends) {
            value = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
            return p;
        }
    }
    double parsed = 0.0;
    const fast_float::from_chars_result result = fast_float::from_chars(start, last, parsed);
    if (result.ec != std::errc() || result.ptr == start) return first;
    value = parsed;
    return result.ptr;
}

const char* scanInt64(const char* first, const char* last, int64_t& value, bool& overflow) {
    const char* p = first;
    bool negative = false;
    if (p != last && (*p == '-' || *p == '+')) negative = *p++ == '-';
    const char* digits = p;
    // Eighteen digits cannot overflow: the common short numbers need no checks.
    constexpr ptrdiff_t kSafeDigits = 18;
    const char* safeEnd = last - p > kSafeDigits ? p + kSafeDigits : last;
    int64_t quick = 0;
    for (; p != safeEnd && static_cast<unsigned char>(*p - '0') < 10; ++p) quick = quick * 10 + (*p - '0');
    if (p == digits) return first;
    if (p == last || static_cast<unsigned char>(*p - '0') >= 10) {
        overflow = false;
        value = negative ? -quick : quick;
        return p;
    }
    // Accumulated as a negative number: its range holds the lowest int64_t.
    int64_t total = -quick;
    bool over = false;
    constexpr int64_t kLowest = std::numeric_limits<int64_t>::min();
    for (; p != last && *p >= '0' && *p <= '9'; ++p) {
        const int digit = *p - '0';
        if (over || total < (kLowest + digit) / 10) {
            over = true;
            continue;
        }
        total = total * 10 - digit;
    }
    if (!negative && !over && total == kLowest) over = true;
    overflow = over;
    if (over) {
        value = negative ? kLowest : std::numeric_limits<int64_t>::max();
    } else {
        value = negative ? total : -total;
    }
    return p;
}

}  // namespace glowpond
