// Calendar arithmetic for the receiver clock (civil-from-days after Howard Hinnant's algorithm).
#include "tools/sim/receiver_time.h"

#include <cstdio>

namespace ksim {

namespace {

// 1989-12-31 as days since 1970-01-01.
constexpr std::int64_t kEpochDays = 7304;
constexpr std::int64_t kSecondsPerDay = 86400;

CivilTime civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    CivilTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (t.month <= 2 ? 1 : 0));
    return t;
}

}  // namespace

std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned mp = static_cast<unsigned>(month > 2 ? month - 3 : month + 9);
    const unsigned doy = (153 * mp + 2) / 5 + static_cast<unsigned>(day) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::uint32_t receiverSeconds(const CivilTime& t) {
    const std::int64_t days = daysFromCivil(t.year, t.month, t.day) - kEpochDays;
    const std::int64_t s = days * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
    return static_cast<std::uint32_t>(s);
}

CivilTime civilFromReceiverSeconds(std::uint32_t seconds) {
    const std::int64_t days = seconds / kSecondsPerDay;
    const std::int64_t sod = seconds % kSecondsPerDay;
    CivilTime t = civilFromDays(days + kEpochDays);
    t.hour = static_cast<int>(sod / 3600);
    t.minute = static_cast<int>(sod % 3600 / 60);
    t.second = static_cast<int>(sod % 60);
    return t;
}

std::string garminTimeText(std::uint32_t seconds) {
    if (seconds == kNoTime) return "N/A";
    const CivilTime t = civilFromReceiverSeconds(seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d-%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

std::string nmeaTimeField(std::uint32_t seconds) {
    const CivilTime t = civilFromReceiverSeconds(seconds);
    char text[24];
    std::snprintf(text, sizeof text, "%02d%02d%02d.00", t.hour, t.minute, t.second);
    return text;
}

std::string nmeaDateField(std::uint32_t seconds) {
    const CivilTime t = civilFromReceiverSeconds(seconds);
    char text[24];
    std::snprintf(text, sizeof text, "%02d%02d%02d", t.day, t.month, t.year % 100);
    return text;
}

}  // namespace ksim
