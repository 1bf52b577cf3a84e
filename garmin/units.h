// The receiver's units: positions in semicircles (180 / 2^31 degrees) and times in
// seconds since 31 December 1989 00:00:00 UTC, and their text form year/month/day-h:m:s.
#pragma once

#include <cstdint>
#include <string>

namespace garmin {

// Receivers send all ones in the time field of a point that has no time.
constexpr std::uint32_t kNoTime = 0xFFFFFFFFu;

double Semicircles_To_Degrees(std::int32_t semicircles);
// Rounds to the nearest semicircle, ties to even. Positions of magnitude 180 degrees or
// more are wrapped into [-180, 180) first (180 east is 180 west), so every input gives a
// valid field; a value that is not a number gives 0.
std::int32_t Degrees_To_Semicircles(double degrees);

// "yyyy/mm/dd-hh:mm:ss" in UTC, or "N/A" for kNoTime. Unsigned, so valid up to 2126.
std::string Format_Garmin_Time(std::uint32_t seconds);
// The Gregorian date `days` days after 31 December 1989 (day 0).
void Days_To_Date(std::int32_t days, std::int16_t& year, std::int16_t& month, std::int16_t& day);
// Days since 31 December 1989; negative before it. No range check.
std::int64_t Date_To_Days(std::int64_t year, std::int64_t month, std::int64_t day);
// The inverse of Format_Garmin_Time. "N/A", a text that is not a valid date and time in
// exactly that form, and a time outside what the field can carry all give kNoTime.
std::uint32_t Parse_Garmin_Time(const std::string& text);

}  // namespace garmin
