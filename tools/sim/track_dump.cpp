// Track dump for tests.
#include "tools/sim/track_dump.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "tools/sim/nmea_text.h"
#include "tools/sim/receiver_time.h"

namespace ksim {

std::string formatDegrees(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    if (std::strchr(text, 'e') == nullptr) return text;
    // Tiny magnitudes: fixed notation with the same 15 significant digits, zeros trimmed.
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    std::snprintf(text, sizeof text, "%.*f", std::min(40, 14 - exponent), value);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

namespace {

std::string line(double lat, double lon, const std::string& time) {
    return formatDegrees(lat) + "," + formatDegrees(lon) + ",\"" + time + "\"\r\n";
}

}  // namespace

std::string garminDumpText(const Track& track) {
    std::string text;
    for (const TrackRecord& r : track.records) {
        if (r.isHeader || !r.point.hasPosition) continue;
        const TrackPoint& p = r.point;
        text += line(semicirclesToDegrees(degreesToSemicircles(p.lat)),
                     semicirclesToDegrees(degreesToSemicircles(p.lon)), garminTimeText(p.seconds));
    }
    return text;
}

std::string magellanDumpText(const Track& track) {
    std::string text;
    for (const TrackRecord& r : track.records) {
        if (r.isHeader || !r.point.hasPosition) continue;
        text += line(packLatitude(r.point.lat).degrees, packLongitude(r.point.lon).degrees, "N/A");
    }
    return text;
}

std::string writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return path + ": cannot create the file: " + std::strerror(errno);
    out << text;
    out.close();
    if (!out) return path + ": cannot write the file";
    return {};
}

}  // namespace ksim
