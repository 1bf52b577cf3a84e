// The figures of a track, one row per part (a file written, or a track when the output is
// not split), gathered from the points as they pass: nothing grows with the track.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "overview/climb.h"
#include "overview/ellipsoid_distance.h"
#include "seams/point_sink.h"

namespace overview {

struct PartFigures {
    std::string name;
    // Seconds since 1970 (UTC) of the first and the last point that has a time.
    std::optional<std::int64_t> firstTime;
    std::optional<std::int64_t> lastTime;
    double metres = 0.0;  // along the ellipsoid, within segments (a gap is not walked)
    // Nothing when no point of the part has an elevation.
    std::optional<double> ascent;
    std::optional<double> descent;
    std::int64_t points = 0;
};

class TrackFigures {
  public:
    // The points that follow belong to a new part of this name.
    void startPart(const std::string& name);
    // A point written; one without a part starts an unnamed one. Returns the metres walked
    // from the point before (0 at a new segment or part).
    double add(const seams::Point& point);
    std::vector<PartFigures> rows() const;

  private:
    struct Part {
        PartFigures figures;
        Climb climb;
        bool anyElevation = false;
    };

    EllipsoidDistance distance_;
    std::vector<Part> parts_;
    bool havePrevious_ = false;
    double lastLat_ = 0.0;
    double lastLon_ = 0.0;
};

}  // namespace overview
