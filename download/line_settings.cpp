#include "download/line_settings.h"

#include <charconv>
#include <vector>

namespace app {

namespace {

std::vector<std::string_view> split(std::string_view s) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto comma = s.find(',');
        parts.push_back(s.substr(0, comma));
        if (comma == std::string_view::npos) return parts;
        s.remove_prefix(comma + 1);
    }
}

std::optional<int> whole(std::string_view s) {
    int v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<LineSettings::Parity> parityOf(std::string_view s) {
    if (s.size() != 1) return std::nullopt;
    switch (s[0] | 0x20) {
        case 'n':
            return LineSettings::Parity::None;
        case 'e':
            return LineSettings::Parity::Even;
        case 'o':
            return LineSettings::Parity::Odd;
        case 'm':
            return LineSettings::Parity::Mark;
        case 's':
            return LineSettings::Parity::Space;
        default:
            return std::nullopt;
    }
}

std::optional<LineSettings::StopBits> stopBitsOf(std::string_view s) {
    if (s == "1") return LineSettings::StopBits::One;
    if (s == "1.5") return LineSettings::StopBits::OneAndHalf;
    if (s == "2") return LineSettings::StopBits::Two;
    return std::nullopt;
}

}  // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text) {
    const auto parts = split(text);
    if (parts.size() != 4) return std::nullopt;
    const auto speed = whole(parts[0]);
    const auto parity = parityOf(parts[1]);
    const auto data = whole(parts[2]);
    const auto stop = stopBitsOf(parts[3]);
    if (!speed || *speed <= 0 || !parity || !data || *data < 5 || *data > 8 || !stop)
        return std::nullopt;
    return LineSettings{*speed, *parity, *data, *stop};
}

}  // namespace app
