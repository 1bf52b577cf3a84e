#include "magellan/reply_line.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "coords/angles.h"
#include "magellan/sentence.h"

namespace magellan {

namespace {

constexpr std::string_view kTrackSentence = "$PMGNTRK";

std::vector<std::string_view> splitFields(std::string_view s) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = s.find(',');
        fields.push_back(s.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        s.remove_prefix(comma + 1);
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Cuts the "*HH" checksum off the line. A line without one is taken as it is; a
// line whose checksum is malformed or wrong was damaged on the way and is refused.
std::optional<std::string_view> withoutChecksum(std::string_view line) {
    const auto star = line.rfind('*');
    if (star == std::string_view::npos) return line;
    const std::string_view hex = line.substr(star + 1);
    if (hex.empty() || hex.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : hex) {
        const int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + d;
    }
    const std::string_view body = line.substr(1, star - 1);
    if (sentenceChecksum(body) != value) return std::nullopt;
    return line.substr(0, star);
}

// Digits with an optional fraction after a full stop: no sign, no exponent, no blanks.
std::optional<double> readPacked(std::string_view text) {
    bool digit = false;
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    double value = 0;
    const auto res =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

// ddmm.mmmm (or dddmm.mmmm) to degrees, refusing what no receiver can mean.
std::optional<double> packedToDegrees(std::string_view text, double maxDegrees) {
    const auto packed = readPacked(text);
    if (!packed) return std::nullopt;
    const double whole = std::floor(*packed / 100);
    if (*packed - whole * 100 >= 60) return std::nullopt;
    const double degrees = coords::NMEA_To_Deg(*packed);
    if (!(degrees <= maxDegrees)) return std::nullopt;
    return degrees;
}

std::optional<double> signedDegrees(std::optional<double> degrees, std::string_view hemisphere,
                                    std::string_view positive, std::string_view negative) {
    if (!degrees) return std::nullopt;
    if (hemisphere == positive) return *degrees;
    if (hemisphere == negative) return -*degrees;
    return std::nullopt;
}

}  // namespace

std::optional<ReplyPoint> parseReplyLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.starts_with(kTrackSentence)) return std::nullopt;
    const auto body = withoutChecksum(line);
    if (!body) return std::nullopt;
    const auto fields = splitFields(*body);
    if (fields.size() < 5 || fields[0] != kTrackSentence) return std::nullopt;
    try {
        const auto lat = signedDegrees(packedToDegrees(fields[1], 90), fields[2], "N", "S");
        const auto lon = signedDegrees(packedToDegrees(fields[3], 180), fields[4], "E", "W");
        if (!lat || !lon) return std::nullopt;
        return ReplyPoint{*lat, *lon};
    } catch (const coords::ArithmeticError&) {
        return std::nullopt;
    }
}

}  // namespace magellan
