// Numbers in model texts, read exactly and fast: every text reader (OBJ,
// PLY, STL, VRML) goes through these, so a number reads the same whatever
// the format, and no reader depends on the C++ library's from_chars for
// floating point (missing or deleted in some of the libraries we build with).
#pragma once

#include <cstdint>

namespace glowpond {

// A decimal number at the start of [first, last): an optional sign ('-' or
// '+'), digits with an optional point (at least one digit on either side),
// an optional exponent; also "inf", "infinity" and "nan" in any case. The
// value is the correctly rounded double (overflow gives an infinity,
// underflow zero or a subnormal, as strtod gives in the "C" locale). Returns
// the end of the number, or `first`, with `value` untouched, when no number
// starts there.
const char* scanDouble(const char* first, const char* last, double& value);

// A decimal integer at the start of [first, last): an optional sign ('-' or
// '+') and digits. Returns the end of the digits, or `first` when there are
// none. A value beyond the range of int64_t sets `overflow` and leaves
// `value` at the nearest limit; the digits are consumed all the same.
const char* scanInt64(const char* first, const char* last, int64_t& value, bool& overflow);

}  // namespace glowpond
