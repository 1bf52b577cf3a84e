// Where a picture puts a track: the chosen grid's metres for the two Israeli grids, degrees
// for latitude/longitude and GPX (longitude shrunk by the cosine of the track's latitude,
// so that a kilometre is as long across as up). A track that leaves a grid's area is drawn
// in degrees, as the conversion would refuse it anyway.
#pragma once

#include <memory>
#include <vector>

#include "coords/coord_system.h"
#include "coords/itm_projection.h"
#include "overview/track_outline.h"

namespace overview {

struct Plane {
    double x = 0.0;  // east
    double y = 0.0;  // north
};

class PlaneProjection {
  public:
    // `sample` decides between the grid and degrees: every point of it must project.
    PlaneProjection(coords::CoordSystem system, const std::vector<std::vector<LatLon>>& sample);

    Plane toPlane(const LatLon& p) const;
    // True when the plane is in grid metres, false in (shrunk) degrees.
    bool inGrid() const { return grid_ != Grid::None; }
    // Metres on the ground for one unit of the plane.
    double metresPerUnit() const { return metresPerUnit_; }
    // The shrink of longitude in degrees.
    double lonScale() const { return lonScale_; }

  private:
    enum class Grid { None, Old, New };
    Plane project(const LatLon& p) const;

    Grid grid_ = Grid::None;
    std::unique_ptr<coords::ItmProjection> itm_;
    double lonScale_ = 1.0;
    double metresPerUnit_ = 1.0;
};

}  // namespace overview
