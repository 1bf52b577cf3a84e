// Times of track files in the receiver's own text form, which the point file carries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace source {

// An ISO 8601 date and time as GPX writes it ("2024-05-01T10:00:00Z", with an offset such
// as "+03:00" or "+0300", fractional seconds, or no zone, which counts as UTC), as seconds
// since 31 December 1989 00:00:00 UTC; fractions of a second are dropped. Nothing for a
// text that is not one, or names no real instant.
std::optional<std::int64_t> parseIsoTime(std::string_view text);

// "yyyy/mm/dd-hh:mm:ss" in UTC for seconds since 31 December 1989; "N/A" outside the
// years 0000 to 9999.
std::string receiverTimeText(std::int64_t seconds);

}  // namespace source
