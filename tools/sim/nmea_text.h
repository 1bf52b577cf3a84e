// NMEA-style text the receivers send: checksummed sentences, packed ddmm.mmmm positions,
// Magellan $PMGNTRK track lines and the $GPRMC/$GPGGA fixes of a receiver in NMEA mode.
#pragma once

#include <cstdint>
#include <string>

#include "tools/sim/track.h"

namespace ksim {

// Exclusive-or of every character of `body` (the text between "$" and "*").
std::uint8_t nmeaChecksum(const std::string& body);

// "$" body "*" two upper-case hex digits CR LF.
std::string nmeaSentence(const std::string& body);

// A coordinate as the receiver writes it: whole degrees, minutes with four decimals.
struct PackedAngle {
    std::string text;  // ddmm.mmmm (latitude) or dddmm.mmmm (longitude), no sign
    char hemisphere;   // N/S or E/W
    double degrees;    // the signed value the text stands for: degrees + minutes / 60
};

PackedAngle packLatitude(double degrees);
PackedAngle packLongitude(double degrees);

std::string magellanTrackSentence(const TrackPoint& p);
std::string gprmcSentence(const TrackPoint& p, std::uint32_t nowSeconds);
std::string gpggaSentence(const TrackPoint& p, std::uint32_t nowSeconds);

inline const std::string kMagellanTrackCommand = "$PMGNCMD,TRACK*3D\r\n";
inline const std::string kMagellanEndSentence = "$PMGNCMD,END*3D\r\n";

}  // namespace ksim
