// Track model and the point-file reader.
#include "tools/sim/track.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "tools/sim/receiver_time.h"

namespace ksim {

std::size_t Track::pointCount() const {
    std::size_t n = 0;
    for (const auto& r : records) n += r.isHeader ? 0 : 1;
    return n;
}

std::size_t Track::headerCount() const {
    return records.size() - pointCount();
}

void Track::addHeader(std::string ident) {
    TrackRecord r;
    r.isHeader = true;
    r.header.ident = std::move(ident);
    records.push_back(std::move(r));
}

void Track::addPoint(const TrackPoint& p) {
    TrackRecord r;
    r.point = p;
    records.push_back(std::move(r));
}

std::size_t Track::clearPositions(const std::vector<std::size_t>& numbers) {
    std::vector<TrackPoint*> points;
    for (auto& r : records)
        if (!r.isHeader) points.push_back(&r.point);
    for (const std::size_t n : numbers) {
        if (n == 0 || n > points.size()) return n;
        points[n - 1]->hasPosition = false;
    }
    return 0;
}

std::uint32_t defaultClockStart() {
    return receiverSeconds({2026, 5, 1, 6, 0, 0});
}

namespace {

constexpr std::uint32_t kClockStep = 10;
// A header's ident travels zero-terminated in one packet of at most 255 data bytes.
constexpr std::size_t kMaxIdent = 200;

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, ',')) fields.push_back(trim(field));
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

template <typename T>
bool parseNumber(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// Parses the lat,lon pair; `-,-` is a point logged without a fix.
std::string parsePosition(const std::string& lat, const std::string& lon, TrackPoint& p) {
    if (lat == "-" || lon == "-") {
        p.hasPosition = false;
        return lat == lon ? "" : "a point without a position has - for both lat and lon";
    }
    if (!parseNumber(lat, p.lat) || !std::isfinite(p.lat) || std::fabs(p.lat) > 90)
        return "latitude must be a number from -90 to 90";
    if (!parseNumber(lon, p.lon) || !std::isfinite(p.lon) || p.lon < -180 || p.lon >= 180)
        return "longitude must be a number from -180 to below 180";
    return {};
}

// Parses one point line; returns an error text or empty on success.
std::string parsePoint(const std::vector<std::string>& f, std::uint32_t& clock, TrackPoint& p) {
    if (f.size() < 2 || f.size() > 5) return "expected lat,lon[,seconds[,newseg[,alt]]]";
    if (std::string e = parsePosition(f[0], f[1], p); !e.empty()) return e;
    p.seconds = clock;
    if (f.size() >= 3 && !f[2].empty()) {
        std::uint64_t s = 0;
        if (!parseNumber(f[2], s) || s > 0xFFFFFFFFull)
            return "seconds must be a whole number from 0 to 4294967295";
        p.seconds = static_cast<std::uint32_t>(s);
    }
    if (f.size() >= 4 && !f[3].empty()) {
        if (f[3] != "0" && f[3] != "1") return "newseg must be 0 or 1";
        p.newSegment = f[3] == "1";
    }
    if (f.size() == 5 && !f[4].empty()) {
        double alt = 0;
        if (!parseNumber(f[4], alt) || !std::isfinite(alt) || std::fabs(alt) > 1e6)
            return "altitude must be a number of metres";
        p.alt = static_cast<float>(alt);
    }
    if (p.seconds != kNoTime) clock = p.seconds + kClockStep;
    return {};
}

}  // namespace

TrackLoadResult parseTrackText(const std::string& text, const std::string& name) {
    Track track;
    std::uint32_t clock = defaultClockStart();
    std::istringstream in(text);
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        const auto where = name + ":" + std::to_string(number) + ": ";
        if (line[0] == 'H' || line[0] == 'h') {
            const auto comma = line.find(',');
            if (comma != 1) return {std::nullopt, where + "expected H,ident"};
            std::string ident = line.substr(2);
            if (ident.size() > kMaxIdent || ident.find('\0') != std::string::npos)
                return {std::nullopt, where + "header ident longer than 200 characters"};
            track.addHeader(std::move(ident));
            continue;
        }
        TrackPoint p;
        const std::string error = parsePoint(splitFields(line), clock, p);
        if (!error.empty()) return {std::nullopt, where + error};
        track.addPoint(p);
    }
    return {std::move(track), {}};
}

TrackLoadResult loadTrackFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, path + ": cannot open the track file"};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return {std::nullopt, path + ": cannot read the track file"};
    return parseTrackText(text.str(), path);
}

}  // namespace ksim
