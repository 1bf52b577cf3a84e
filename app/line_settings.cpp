#include "app/line_settings.h"

#include <charconv>
#include <vector>

namespace app {

namespace {

std::vector<std::string_view> Split(std::string_view s) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto comma = s.find(',');
        parts.push_back(s.substr(0, comma));
        if (comma == std::string_view::npos) return parts;
        s.remove_prefix(comma + 1);
    }
}

std::optional<int> Whole(std::string_view s) {
    int v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<Line_Settings::Parity> Parity_Of(std::string_view s) {
    if (s.size() != 1) return std::nullopt;
    switch (s[0] | 0x20) {
        case 'n':
            return Line_Settings::Parity::None;
        case 'e':
            return Line_Settings::Parity::Even;
        case 'o':
            return Line_Settings::Parity::Odd;
        case 'm':
            return Line_Settings::Parity::Mark;
        case 's':
            return Line_Settings::Parity::Space;
        default:
            return std::nullopt;
    }
}

std::optional<Line_Settings::Stop_Bits> Stop_Bits_Of(std::string_view s) {
    if (s == "1") return Line_Settings::Stop_Bits::One;
    if (s == "1.5") return Line_Settings::Stop_Bits::OneAndHalf;
    if (s == "2") return Line_Settings::Stop_Bits::Two;
    return std::nullopt;
}

}  // namespace

std::optional<Line_Settings> Parse_Line_Settings(std::string_view text) {
    const auto parts = Split(text);
    if (parts.size() != 4) return std::nullopt;
    const auto speed = Whole(parts[0]);
    const auto parity = Parity_Of(parts[1]);
    const auto data = Whole(parts[2]);
    const auto stop = Stop_Bits_Of(parts[3]);
    if (!speed || *speed <= 0 || !parity || !data || *data < 5 || *data > 8 || !stop)
        return std::nullopt;
    return Line_Settings{*speed, *parity, *data, *stop};
}

}  // namespace app
