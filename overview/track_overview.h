// What a download shows of its track at its end, gathered from the points as the point file
// receives them: the figures of each part (a file written, or a track when the output is not
// split), the outline and the elevation profile of the picture, and the points the
// reduction keeps, found by the conversion's own rule on the same points. Nothing is read
// again and nothing grows with the track, so the overview is ready when the read ends.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coords/coord_system.h"
#include "coords/itm_projection.h"
#include "coords/turn_reducer.h"
#include "overview/elevation_profile.h"
#include "overview/track_figures.h"
#include "overview/track_outline.h"
#include "overview/track_picture.h"
#include "seams/point_sink.h"

namespace overview {

struct OverviewChoices {
    coords::CoordSystem system = coords::CoordSystem::LatLon;
    bool gpx = false;  // GPX is in degrees whatever the system, its turns on the old grid
    bool reduce = false;
    int deviation = 0;
    bool split = false;
};

class TrackOverview {
  public:
    TrackOverview();
    ~TrackOverview();

    // A new read: everything before is forgotten.
    void start(const OverviewChoices& choices);
    // An output file begins (the next numbered one when split); `name` as the user gave it.
    void startFile(const std::string& name);
    void startTrack(const std::string& name);
    // A point stored; `newSegment` as the point file takes it.
    void point(const seams::Point& p, bool newSegment);
    // The read ended with every point stored.
    void end();
    bool ended() const { return ended_; }
    bool empty() const { return points_ == 0; }

    std::vector<PartFigures> rows() const { return figures_.rows(); }
    // The points the picture's outline holds, kept ones included: bounded, however long the
    // track.
    std::size_t pointsHeld() const { return outline_.vertices() + outline_.kept().size(); }
    std::int64_t points() const { return points_; }
    // "62 of 281 points kept at 10°", or nothing without the reduction.
    std::string keptText() const;
    // The picture of width x height pixels (and the profile's strip below when any point
    // has an elevation).
    Picture picture(int width = 640, int height = 480) const;

  private:
    void startReducer();
    void finishReducer();
    void reduce(const seams::Point& p);

    OverviewChoices choices_;
    TrackFigures figures_;
    TrackOutline outline_;
    ElevationProfile profile_;
    std::unique_ptr<coords::ItmProjection> itm_;
    std::unique_ptr<coords::TurnReducer> reducer_;
    bool reductionFailed_ = false;
    std::uint64_t line_ = 0;  // of the point file the reducer is fed
    std::int64_t kept_ = 0;
    std::int64_t points_ = 0;
    double walked_ = 0.0;  // metres, for the profile
    bool trackPending_ = false;
    std::string fileName_;
    bool ended_ = false;
};

}  // namespace overview
