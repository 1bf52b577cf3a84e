// GPX 1.1 output: one or more tracks of one or more segments, a track point for each point
// written, in WGS 84 degrees whatever coordinate system the text output would use.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trackfile {

// True for an output name that asks for GPX: one ending in ".gpx", in any case.
bool isGpxName(const std::string& name);

// Appends the document piece by piece to a buffer the caller flushes between points, so
// a track of any length needs the same memory.
class GpxWriter {
  public:
    // Appends the document's head; a track is opened with its first point.
    explicit GpxWriter(std::string& out);

    // `text` is the point file's text: a receiver's time "YYYY/MM/DD-hh:mm:ss" (UTC) becomes
    // the point's time; anything else ("N/A" from a receiver without a clock) gives none.
    // Throws ArithmeticError for a position GPX cannot hold (beyond the poles, or a
    // longitude beyond 180 degrees either way).
    // `elevation` in metres, when the receiver gave one.
    void point(double lat, double lon, std::string_view text,
               std::optional<double> elevation = std::nullopt);
    // Ends the current segment and starts the next; nothing before the first point, so
    // no segment is ever empty.
    void newSegment();
    // Ends the current track, if it holds a point, and names the next one (UTF-8; empty
    // for none). A tab or line break becomes a space; other characters XML cannot hold are
    // left out.
    void newTrack(std::string_view name);
    // Appends everything after the last point.
    void finish();

  private:
    void openTrack();

    std::string& out_;
    bool trackOpen_ = false;
    bool segmentDue_ = false;  // the next point starts a new segment
    std::string name_;         // of the track not yet opened
};

}  // namespace trackfile
