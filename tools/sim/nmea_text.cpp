// NMEA sentence builders.
#include "tools/sim/nmea_text.h"

#include <cmath>
#include <cstdio>

#include "tools/sim/receiver_time.h"

namespace ksim {

namespace {

constexpr long long kTenThousandthsPerDegree = 60 * 10000;

PackedAngle pack(double degrees, int degree_digits, char positive, char negative) {
    const long long units = std::llround(std::fabs(degrees) * kTenThousandthsPerDegree);
    const long long whole = units / kTenThousandthsPerDegree;
    const long long minute_units = units % kTenThousandthsPerDegree;
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld", degree_digits, whole,
                  minute_units / 10000, minute_units % 10000);
    const double value =
        static_cast<double>(whole) + static_cast<double>(minute_units) / 10000.0 / 60.0;
    const bool south_or_west = degrees < 0 && units != 0;
    return {text, south_or_west ? negative : positive, south_or_west ? -value : value};
}

std::string altitude_field(float alt) {
    if (!std::isfinite(alt) || std::fabs(alt) > 99999) return "00000";
    char text[16];
    std::snprintf(text, sizeof text, "%05ld", std::lround(alt));
    return text;
}

}  // namespace

std::uint8_t nmea_checksum(const std::string& body) {
    std::uint8_t x = 0;
    for (char c : body) x ^= static_cast<std::uint8_t>(c);
    return x;
}

std::string nmea_sentence(const std::string& body) {
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", nmea_checksum(body));
    return "$" + body + tail;
}

PackedAngle pack_latitude(double degrees) {
    return pack(degrees, 2, 'N', 'S');
}
PackedAngle pack_longitude(double degrees) {
    return pack(degrees, 3, 'E', 'W');
}

std::string magellan_track_sentence(const TrackPoint& p) {
    const PackedAngle lat = pack_latitude(p.lat);
    const PackedAngle lon = pack_longitude(p.lon);
    const bool timed = p.seconds != kNoTime;
    return nmea_sentence("PMGNTRK," + lat.text + "," + lat.hemisphere + "," + lon.text + "," +
                         lon.hemisphere + "," + altitude_field(p.alt) + ",M," +
                         (timed ? nmea_time_field(p.seconds) : "") + ",A,," +
                         (timed ? nmea_date_field(p.seconds) : ""));
}

std::string gprmc_sentence(const TrackPoint& p, std::uint32_t now_seconds) {
    const PackedAngle lat = pack_latitude(p.lat);
    const PackedAngle lon = pack_longitude(p.lon);
    return nmea_sentence("GPRMC," + nmea_time_field(now_seconds) + ",A," + lat.text + "," +
                         lat.hemisphere + "," + lon.text + "," + lon.hemisphere + ",0.8,72.5," +
                         nmea_date_field(now_seconds) + ",4.4,E,A");
}

std::string gpgga_sentence(const TrackPoint& p, std::uint32_t now_seconds) {
    const PackedAngle lat = pack_latitude(p.lat);
    const PackedAngle lon = pack_longitude(p.lon);
    char alt[24] = "0.0";
    if (std::isfinite(p.alt) && std::fabs(p.alt) < 99999)
        std::snprintf(alt, sizeof alt, "%.1f", static_cast<double>(p.alt));
    return nmea_sentence("GPGGA," + nmea_time_field(now_seconds) + "," + lat.text + "," +
                         lat.hemisphere + "," + lon.text + "," + lon.hemisphere + ",1,07,1.2," +
                         alt + ",M,19.6,M,,");
}

}  // namespace ksim
