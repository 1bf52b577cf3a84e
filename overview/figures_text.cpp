#include "overview/figures_text.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace overview {

namespace {

struct LocalTime {
    std::tm tm{};
    long offset = 0;  // seconds east of UTC
    std::string zone;
};

LocalTime localTime(std::int64_t utcSeconds) {
    LocalTime local;
    const auto t = static_cast<std::time_t>(utcSeconds);
    localtime_r(&t, &local.tm);
    local.offset = local.tm.tm_gmtoff;
    local.zone = local.tm.tm_zone != nullptr ? local.tm.tm_zone : "";
    return local;
}

std::string format(const char* pattern, const std::tm& tm) {
    char text[64];
    const std::size_t n = std::strftime(text, sizeof text, pattern, &tm);
    return std::string(text, n);
}

std::string offsetText(long offset, bool colon) {
    const char sign = offset < 0 ? '-' : '+';
    const long a = std::labs(offset);
    char text[48];
    std::snprintf(text, sizeof text, colon ? "%c%02ld:%02ld" : "%c%02ld%02ld", sign, a / 3600,
                  a / 60 % 60);
    return text;
}

std::string number(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string jsonNumber(std::optional<double> v, int decimals) {
    return v ? number(*v, decimals) : "null";
}

}  // namespace

std::string localTimeText(std::optional<std::int64_t> utcSeconds) {
    if (!utcSeconds) return "N/A";
    const LocalTime local = localTime(*utcSeconds);
    const std::string when = format("%Y-%m-%d %H:%M:%S", local.tm);
    // Without a zone of its own the C library keeps UTC and calls it so.
    if (local.offset == 0 && (local.zone.empty() || local.zone == "UTC" || local.zone == "GMT"))
        return when + " UTC";
    return when + " " + local.zone + " (UTC" + offsetText(local.offset, true) + ")";
}

std::string isoLocalTime(std::int64_t utcSeconds) {
    const LocalTime local = localTime(utcSeconds);
    return format("%Y-%m-%dT%H:%M:%S", local.tm) + offsetText(local.offset, true);
}

std::string durationText(const PartFigures& part) {
    if (!part.firstTime || !part.lastTime) return "N/A";
    const std::int64_t s = *part.lastTime - *part.firstTime;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", s < 0 ? "-" : "",
                  static_cast<long long>(std::llabs(s) / 3600),
                  static_cast<long long>(std::llabs(s) / 60 % 60),
                  static_cast<long long>(std::llabs(s) % 60));
    return text;
}

std::string distanceText(double metres) {
    if (metres < 999.5) return number(metres, 0) + " m";
    return number(metres / 1000.0, 2) + " km";
}

std::string climbText(std::optional<double> metres) {
    return metres ? number(*metres, 0) + " m" : "N/A";
}

std::vector<std::string> rowHeadings() {
    return {"File or track", "First point", "Last point", "Duration",
            "Distance",      "Ascent",      "Descent",    "Points"};
}

std::vector<std::string> rowFields(const PartFigures& part) {
    return {part.name,
            localTimeText(part.firstTime),
            localTimeText(part.lastTime),
            durationText(part),
            distanceText(part.metres),
            climbText(part.ascent),
            climbText(part.descent),
            std::to_string(part.points)};
}

std::string rowsText(const std::vector<PartFigures>& rows) {
    std::string text;
    for (const PartFigures& row : rows) {
        const std::vector<std::string> fields = rowFields(row);
        for (std::size_t i = 0; i < fields.size(); ++i) text += (i ? "\t" : "") + fields[i];
        text += '\n';
    }
    return text;
}

std::string rowsJson(const std::vector<PartFigures>& rows) {
    std::string json = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PartFigures& r = rows[i];
        const bool timed = r.firstTime && r.lastTime;
        json += std::string(i ? ",\n " : "") + "{\"name\": " + jsonString(r.name) +
                ", \"first\": " + (r.firstTime ? jsonString(isoLocalTime(*r.firstTime)) : "null") +
                ", \"last\": " + (r.lastTime ? jsonString(isoLocalTime(*r.lastTime)) : "null") +
                ", \"durationSeconds\": " +
                (timed ? std::to_string(*r.lastTime - *r.firstTime) : "null") +
                ", \"distanceMetres\": " + number(r.metres, 1) +
                ", \"ascentMetres\": " + jsonNumber(r.ascent, 1) +
                ", \"descentMetres\": " + jsonNumber(r.descent, 1) +
                ", \"points\": " + std::to_string(r.points) + "}";
    }
    return json + "]\n";
}

}  // namespace overview
