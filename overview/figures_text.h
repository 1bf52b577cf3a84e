// The figures of a track in words: local times in the system's time zone with their offset
// from UTC, durations, distances, climbs. The same texts go to the window's rows and to
// kelvaron-get --stats.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "overview/track_figures.h"

namespace overview {

// "2026-03-27 03:00:00 IDT (UTC+03:00)" in the system's time zone (TZ, else the machine's);
// "2026-03-27 00:00:00 UTC" where the zone is UTC or none is set; "N/A" for no time.
std::string localTimeText(std::optional<std::int64_t> utcSeconds);
// The same moment for a program to read: "2026-03-27T03:00:00+03:00".
std::string isoLocalTime(std::int64_t utcSeconds);
// "1:05:09" (hours:minutes:seconds), or "N/A" when either end has no time.
std::string durationText(const PartFigures& part);
// "850 m" below a kilometre, else "12.34 km".
std::string distanceText(double metres);
// "120 m", or "N/A" without elevations.
std::string climbText(std::optional<double> metres);

// The columns of a row, in the order of rowFields().
std::vector<std::string> rowHeadings();
std::vector<std::string> rowFields(const PartFigures& part);
// One line a row, its fields separated by tabs, without a heading.
std::string rowsText(const std::vector<PartFigures>& rows);
// The rows as a JSON array of objects; times in ISO 8601 with their offset, numbers in
// seconds and metres, null where there is none.
std::string rowsJson(const std::vector<PartFigures>& rows);

}  // namespace overview
