// The line settings text of a serial port, such as "9600,n,8,1".
#pragma once

#include <optional>
#include <string_view>

namespace app {

struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };
    int speed = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
};

// Speed, parity letter (n, e, o, m, s), data bits (5 to 8) and stop bits (1, 1.5, 2),
// separated by commas; nothing when the text is not of that form.
std::optional<LineSettings> parseLineSettings(std::string_view text);

}  // namespace app
