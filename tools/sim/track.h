// The track a simulated receiver holds: track headers and points in the order the receiver
// sends them, loaded from a point file or made by the sample generators.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ksim {

// Receivers send this for an altitude or depth they do not know.
inline constexpr float kUnknownFloat = 1.0e25f;

struct TrackPoint {
    double lat = 0;             // decimal degrees, north positive
    double lon = 0;             // decimal degrees, east positive
    std::uint32_t seconds = 0;  // receiver seconds
    bool newSegment = false;
    float alt = kUnknownFloat;  // metres
    // A point logged without a fix: Garmin receivers send it with both coordinates 0x7FFFFFFF
    // semicircles; a host leaves it out, and Magellan receivers never log one.
    bool hasPosition = true;
};

struct TrackHeader {
    std::string ident;
    bool display = true;
    std::uint8_t colour = 255;  // the receiver's default colour
};

// One record of the log: a header when `isHeader`, otherwise a point.
struct TrackRecord {
    bool isHeader = false;
    TrackHeader header;
    TrackPoint point;
};

struct Track {
    std::vector<TrackRecord> records;

    std::size_t pointCount() const;
    std::size_t headerCount() const;
    void addHeader(std::string ident);
    void addPoint(const TrackPoint& p);
    // Marks the points numbered `numbers` (1 = the first point, headers not counted) as logged
    // without a position; returns the first number past the last point, or 0 when all exist.
    std::size_t clearPositions(const std::vector<std::size_t>& numbers);
};

struct TrackLoadResult {
    std::optional<Track> track;
    std::string error;  // "file:line: reason" when track is empty
};

// The running clock of points without a time starts here (2026-05-01 06:00:00 UTC) and
// advances ten seconds a point.
std::uint32_t defaultClockStart();

// Reads `lat,lon[,seconds[,newseg[,alt]]]` lines (`-,-` for lat,lon: no position), `H,ident`
// header lines, `#` comments and blank lines. Every line is checked; the first bad one is reported
// with its number.
TrackLoadResult loadTrackFile(const std::string& path);
TrackLoadResult parseTrackText(const std::string& text, const std::string& name);

}  // namespace ksim
