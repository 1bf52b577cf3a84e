// NMEA sentence builders.
#include "tools/sim/nmea_text.h"

#include <cmath>
#include <cstdio>

#include "tools/sim/receiver_time.h"

namespace ksim {

namespace {

constexpr long long kTenThousandthsPerDegree = 60 * 10000;

PackedAngle pack(double degrees, int degreeDigits, char positive, char negative) {
    const long long units = std::llround(std::fabs(degrees) * kTenThousandthsPerDegree);
    const long long whole = units / kTenThousandthsPerDegree;
    const long long minuteUnits = units % kTenThousandthsPerDegree;
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degreeDigits, whole,
                  minuteUnits / 10000, minuteUnits % 10000);
    const double value =
        static_cast<double>(whole) + static_cast<double>(minuteUnits) / 10000.0 / 60.0;
    const bool southOrWest = degrees < 0 && units != 0;
    return {text, southOrWest ? negative : positive, southOrWest ? -value : value};
}

std::string altitudeField(float alt) {
    if (!std::isfinite(alt) || std::fabs(alt) > 99999) return "00000";
    char text[16];
    std::snprintf(text, sizeof text, "%05ld", std::lround(alt));
    return text;
}

}  // namespace

std::uint8_t nmeaChecksum(const std::string& body) {
    std::uint8_t x = 0;
    for (char c : body) x ^= static_cast<std::uint8_t>(c);
    return x;
}

std::string nmeaSentence(const std::string& body) {
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", nmeaChecksum(body));
    return "$" + body + tail;
}

PackedAngle packLatitude(double degrees) {
    return pack(degrees, 2, 'N', 'S');
}
PackedAngle packLongitude(double degrees) {
    return pack(degrees, 3, 'E', 'W');
}

std::string magellanTrackSentence(const TrackPoint& p) {
    const PackedAngle lat = packLatitude(p.lat);
    const PackedAngle lon = packLongitude(p.lon);
    const bool timed = p.seconds != kNoTime;
    return nmeaSentence("PMGNTRK," + lat.text + "," + lat.hemisphere + "," + lon.text + "," +
                        lon.hemisphere + "," + altitudeField(p.alt) + ",M," +
                        (timed ? nmeaTimeField(p.seconds) : "") + ",A,," +
                        (timed ? nmeaDateField(p.seconds) : ""));
}

std::string gprmcSentence(const TrackPoint& p, std::uint32_t nowSeconds) {
    const PackedAngle lat = packLatitude(p.lat);
    const PackedAngle lon = packLongitude(p.lon);
    return nmeaSentence("GPRMC," + nmeaTimeField(nowSeconds) + ",A," + lat.text + "," +
                        lat.hemisphere + "," + lon.text + "," + lon.hemisphere + ",0.8,72.5," +
                        nmeaDateField(nowSeconds) + ",4.4,E,A");
}

std::string gpggaSentence(const TrackPoint& p, std::uint32_t nowSeconds) {
    const PackedAngle lat = packLatitude(p.lat);
    const PackedAngle lon = packLongitude(p.lon);
    char alt[24] = "0.0";
    if (std::isfinite(p.alt) && std::fabs(p.alt) < 99999)
        std::snprintf(alt, sizeof alt, "%.1f", static_cast<double>(p.alt));
    return nmeaSentence("GPGGA," + nmeaTimeField(nowSeconds) + "," + lat.text + "," +
                        lat.hemisphere + "," + lon.text + "," + lon.hemisphere + ",1,07,1.2," +
                        alt + ",M,19.6,M,,");
}

}  // namespace ksim
