// Where every download puts the track points it gets, whatever they came from: a receiver's
// packets, a Magellan reply, a file read. One point at a time, so nothing grows with the
// track.
#pragma once

#include <limits>
#include <string>

namespace seams {

struct Point {
    double lat = 0;  // WGS 84 degrees
    double lon = 0;
    // The receiver's time form "yyyy/mm/dd-hh:mm:ss" in UTC, or "N/A" for a point without one.
    std::string time = "N/A";
    float elevation = std::numeric_limits<float>::quiet_NaN();  // metres; NaN when none
    bool newSegment = false;  // the first point of a track segment
};

class PointSink {
  public:
    virtual ~PointSink() = default;
    // The points that follow belong to a track of this name (UTF-8; may be empty).
    virtual void startTrack(const std::string& name) = 0;
    virtual void point(const Point& point) = 0;
    // A track point without a position (a receiver's taken without a fix, a file's beyond a
    // pole): counted with the points left out, not stored. A segment it began
    // (`newSegment`) begins at the next point stored.
    virtual void pointWithoutPosition(bool newSegment) = 0;
    // A track point whose elevation or time no map program takes: counted apart from those
    // without a position, and not stored either. Whoever reads it keeps a segment it began
    // for the next point.
    virtual void pointOutOfRange() = 0;
};

}  // namespace seams
