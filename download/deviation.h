// The minimal deviation as the user types it into the window.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace app {

// Blanks, tabs and line feeds anywhere in the text are ignored; the value is the
// longest decimal number (sign, digits, fraction, exponent) at the start of what
// remains, and 0 when there is none. "45 abc" reads 45, "abc" reads 0.
double readNumberText(std::string_view text);

// The deviation handed to the conversion pass: rounded to the nearest whole number,
// a half to the even neighbour; nothing when it does not fit 16 bits.
std::optional<std::int16_t> deviationForPass(double deviation);

}  // namespace app
