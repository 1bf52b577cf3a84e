#include "source/iso_time.h"

#include "garmin/units.h"

namespace source {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Reads `count` digits at `at`; false past the end or at a non-digit.
bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kDays[month - 1] + (month == 2 && isLeap(year) ? 1 : 0);
}

// The zone after the seconds: nothing or "Z" is UTC, else "+hh:mm", "+hhmm" or "+hh".
std::optional<int> zoneSeconds(std::string_view zone) {
    if (zone.empty() || zone == "Z" || zone == "z") return 0;
    if (zone[0] != '+' && zone[0] != '-') return std::nullopt;
    int hours = 0, minutes = 0;
    if (!digits(zone, 1, 2, hours)) return std::nullopt;
    const std::string_view rest = zone.substr(3);
    if (rest.size() == 3 && rest[0] == ':') {
        if (!digits(rest, 1, 2, minutes)) return std::nullopt;
    } else if (rest.size() == 2) {
        if (!digits(rest, 0, 2, minutes)) return std::nullopt;
    } else if (!rest.empty()) {
        return std::nullopt;
    }
    if (hours > 23 || minutes > 59) return std::nullopt;
    const int offset = hours * 3600 + minutes * 60;
    return zone[0] == '+' ? offset : -offset;
}

}  // namespace

std::optional<std::int64_t> parseIsoTime(std::string_view t) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (t.size() < 19 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != 't') ||
        t[13] != ':' || t[16] != ':')
        return std::nullopt;
    if (!digits(t, 0, 4, year) || !digits(t, 5, 2, month) || !digits(t, 8, 2, day) ||
        !digits(t, 11, 2, hour) || !digits(t, 14, 2, minute) || !digits(t, 17, 2, second))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60)
        return std::nullopt;
    std::size_t at = 19;
    if (at < t.size() && (t[at] == '.' || t[at] == ',')) {
        const std::size_t first = ++at;
        while (at < t.size() && t[at] >= '0' && t[at] <= '9') ++at;
        if (at == first) return std::nullopt;
    }
    const auto zone = zoneSeconds(t.substr(at));
    if (!zone) return std::nullopt;
    // A leap second is the last second of its minute as far as the receiver form goes.
    if (second == 60) second = 59;
    return garmin::Date_To_Days(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 +
           second - *zone;
}

std::string receiverTimeText(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t sod = seconds % kSecondsPerDay;
    if (sod < 0) {
        sod += kSecondsPerDay;
        --days;
    }
    // Outside about 1990 - 2000 years to 1990 + 8000 years the date does not fit four digits.
    if (days < -727000 || days > 2920000) return "N/A";
    std::int16_t year = 0, month = 0, day = 0;
    garmin::Days_To_Date(static_cast<std::int32_t>(days), year, month, day);
    if (year < 0 || year > 9999) return "N/A";
    // Written digit by digit: a million points spend noticeable time in a formatter.
    std::string text = "0000/00/00-00:00:00";
    const auto put = [&text](std::size_t at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    };
    put(0, year, 4);
    put(5, month, 2);
    put(8, day, 2);
    put(11, static_cast<int>(sod / 3600), 2);
    put(14, static_cast<int>(sod / 60 % 60), 2);
    put(17, static_cast<int>(sod % 60), 2);
    return text;
}

}  // namespace source
