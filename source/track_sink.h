// Where the readers of track files put what they read: one point at a time, so that
// nothing grows with the file.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "seams/point_sink.h"

namespace source {

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

// The readers' sink: the download's point sink, and a word for the user besides.
class TrackSink : public seams::PointSink {
  public:
    // Something the user should know of a file that was read all the same, such as bytes
    // after its end that were passed over: a sentence naming the file (UTF-8).
    virtual void warning(const std::string& text) = 0;
};

}  // namespace source
