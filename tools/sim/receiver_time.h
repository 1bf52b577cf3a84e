// Receiver clock: seconds since 1989-12-31 00:00:00 UTC, the epoch Garmin receivers count from,
// and the calendar texts the simulator writes (Garmin time text, NMEA time and date fields).
#pragma once

#include <cstdint>
#include <string>

namespace ksim {

// A receiver sends all ones when a point has no time; the host shows such a point as "N/A".
inline constexpr std::uint32_t kNoTime = 0xFFFFFFFFu;

struct CivilTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date (negative before it).
std::int64_t daysFromCivil(int year, int month, int day);

std::uint32_t receiverSeconds(const CivilTime& t);
CivilTime civilFromReceiverSeconds(std::uint32_t seconds);

// "yyyy/mm/dd-hh:mm:ss", or "N/A" for kNoTime: the text the host stores for a Garmin point.
std::string garminTimeText(std::uint32_t seconds);

// NMEA fields: "hhmmss.00" and "ddmmyy".
std::string nmeaTimeField(std::uint32_t seconds);
std::string nmeaDateField(std::uint32_t seconds);

}  // namespace ksim
