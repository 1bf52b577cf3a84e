// Semicircle and receiver-time conversions.
#include "garmin/units.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace garmin {

namespace {

constexpr double kSemicirclesPerHalfTurn = 2147483648.0;  // 2^31
constexpr std::int64_t kSecondsPerDay = 86400;
// 31 December 1989 counted in days from 1 January 1970.
constexpr std::int64_t kEpochFromUnixDays = 7304;

double wrapToHalfOpenCircle(double degrees) {
    if (degrees >= -180.0 && degrees < 180.0) return degrees;
    double wrapped = std::fmod(degrees + 180.0, 360.0);
    if (wrapped < 0) wrapped += 360.0;
    return wrapped - 180.0;
}

bool twoDigits(const std::string& text, std::size_t at, int& value) {
    const char hi = text[at];
    const char lo = text[at + 1];
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return false;
    value = (hi - '0') * 10 + (lo - '0');
    return true;
}

}  // namespace

double Semicircles_To_Degrees(std::int32_t semicircles) {
    return static_cast<double>(semicircles) * (180.0 / kSemicirclesPerHalfTurn);
}

std::int32_t Degrees_To_Semicircles(double degrees) {
    if (!std::isfinite(degrees)) return 0;
    // nearbyint rounds halfway values to the even count under the default rounding mode.
    // Dividing by the semicircle (exactly 45 * 2^-29) gives the correctly rounded count.
    double count =
        std::nearbyint(wrapToHalfOpenCircle(degrees) / (180.0 / kSemicirclesPerHalfTurn));
    // Just below +180 can round up to 2^31, which is -180 on the circle.
    if (count >= kSemicirclesPerHalfTurn) count -= 2.0 * kSemicirclesPerHalfTurn;
    return static_cast<std::int32_t>(count);
}

void Days_To_Date(std::int32_t days, std::int16_t& year, std::int16_t& month, std::int16_t& day) {
    // Civil-from-days on 400-year eras, counted from 1 March 0000.
    const std::int64_t z = days + kEpochFromUnixDays + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int16_t>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    month = static_cast<std::int16_t>(m);
    day = static_cast<std::int16_t>(doy - (153 * mp + 2) / 5 + 1);
}

std::int64_t Date_To_Days(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 - kEpochFromUnixDays;
}

std::string Format_Garmin_Time(std::uint32_t seconds) {
    if (seconds == kNoTime) return "N/A";
    std::int16_t year = 0;
    std::int16_t month = 0;
    std::int16_t day = 0;
    Days_To_Date(static_cast<std::int32_t>(seconds / kSecondsPerDay), year, month, day);
    const unsigned sod = seconds % kSecondsPerDay;
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d-%02u:%02u:%02u", year, month, day, sod / 3600,
                  sod / 60 % 60, sod % 60);
    return text;
}

std::uint32_t Parse_Garmin_Time(const std::string& text) {
    if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != '-' ||
        text[13] != ':' || text[16] != ':') {
        return kNoTime;
    }
    int century = 0, yy = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!twoDigits(text, 0, century) || !twoDigits(text, 2, yy) || !twoDigits(text, 5, month) ||
        !twoDigits(text, 8, day) || !twoDigits(text, 11, hour) || !twoDigits(text, 14, minute) ||
        !twoDigits(text, 17, second)) {
        return kNoTime;
    }
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) {
        return kNoTime;
    }
    const std::int64_t days = Date_To_Days(century * 100 + yy, month, day);
    // A day past the month's end (30 February) comes back as another date.
    std::int16_t y = 0, m = 0, d = 0;
    if (days < 0 || days > INT32_MAX) return kNoTime;
    Days_To_Date(static_cast<std::int32_t>(days), y, m, d);
    if (m != month || d != day) return kNoTime;
    const std::int64_t total = days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    return total < static_cast<std::int64_t>(kNoTime) ? static_cast<std::uint32_t>(total) : kNoTime;
}

}  // namespace garmin
