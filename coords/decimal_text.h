// Plain decimal text of a double: rounded to 15 significant digits, trailing zeros
// dropped, never in exponent form. Both the output lines and the point file use it.
#pragma once

#include <cstddef>

namespace coords {

// Enough for the longest plain form of any finite double (a subnormal needs over
// three hundred zeros after the point).
inline constexpr std::size_t kMaxDecimalChars = 400;

// Writes a '-' for a negative value, then the digits, with `separator` as the decimal
// point; `zeroBeforePoint` decides between "0.36" and ".36". Zero (of either sign) is
// "0". Returns the number of characters written to `out` (at least kMaxDecimalChars
// long). A non-finite value throws ArithmeticError.
std::size_t formatDecimal(double v, char separator, bool zeroBeforePoint, char* out);

}  // namespace coords
