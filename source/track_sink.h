// Where the readers of track files put what they read: one point at a time, so that
// nothing grows with the file.
#pragma once

#include <limits>
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

class TrackSink {
  public:
    virtual ~TrackSink() = default;
    // The points that follow belong to a track of this name (UTF-8; may be empty).
    virtual void startTrack(const std::string& name) = 0;
    virtual void point(const SourcePoint& point) = 0;
    // A track point the file holds without a position (a FIT record taken without a fix,
    // or beyond a pole): counted with the points left out, not stored.
    virtual void pointWithoutPosition() = 0;
    // Something the user should know of a file that was read all the same, such as bytes
    // after its end that were passed over: a sentence naming the file (UTF-8).
    virtual void warning(const std::string& text) = 0;
};

}  // namespace source
