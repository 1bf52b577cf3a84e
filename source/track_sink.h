// Where the readers of track files put what they read: one point at a time, so that
// nothing grows with the file.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace source {

struct SourcePoint {
    double lat = 0;  // WGS 84 degrees
    double lon = 0;
    // The receiver's time form "yyyy/mm/dd-hh:mm:ss" in UTC, or "N/A" for a point without one.
    std::string time = "N/A";
    float elevation = std::numeric_limits<float>::quiet_NaN();  // metres; NaN when none
    bool newSegment = false;  // the first point of a track segment
};

// No place on or near the Earth is a million metres up or down, and no receiver logs a
// time after 2100: such a field is a damaged or miswritten file's, and the point is left
// out rather than written with a value no map program takes.
constexpr double kElevationLimit = 1.0e6;  // metres, either way
// 2101-01-01 00:00:00 UTC in seconds since 31 December 1989, the receiver's epoch.
constexpr std::int64_t kFirstSecondAfter2100 = 3502915200;

// An elevation (NaN: none) and a time in seconds since 31 December 1989 (nothing: none)
// a point may be written with.
inline bool inRange(double elevation, std::optional<std::int64_t> seconds) {
    return !(std::fabs(elevation) >= kElevationLimit) &&
           !(seconds && *seconds >= kFirstSecondAfter2100);
}

class TrackSink {
  public:
    virtual ~TrackSink() = default;
    // The points that follow belong to a track of this name (UTF-8; may be empty).
    virtual void startTrack(const std::string& name) = 0;
    virtual void point(const SourcePoint& point) = 0;
    // A track point the file holds without a position (a FIT record taken without a fix,
    // or beyond a pole): counted with the points left out, not stored.
    virtual void pointWithoutPosition() = 0;
    // A track point whose elevation or time is out of range (see inRange()): counted
    // apart from those without a position, and not stored either. A segment either
    // began begins at the next point stored.
    virtual void pointOutOfRange() = 0;
    // Something the user should know of a file that was read all the same, such as bytes
    // after its end that were passed over: a sentence naming the file (UTF-8).
    virtual void warning(const std::string& text) = 0;
};

}  // namespace source
