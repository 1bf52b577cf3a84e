// The "Israeli (old)" grid: a forward transverse Mercator projection on the
// Clarke 1880 (Benoit) ellipsoid, with no datum shift. Stateless; all in doubles.
// Every procedure throws ArithmeticError instead of returning a non-finite value.
#pragma once

#include "coords/arith_error.h"

namespace coords {

// Easting and northing in whole metres (held in doubles), rounded half up.
void LatLon_To_Israeli_Grid(double lat, double lon, double& easting, double& northing);

// Throws OutsideGridArea for a point outside the grid's area: 29.18 to 33.53 degrees north,
// 34.17 to 39.31 east.
void requireOldGridArea(double lat, double lon);

// x east of the central meridian, y north of the origin latitude, metres, unrounded
// and without false offsets. Angles in degrees.
void Transverse_Mercator(double lat, double lon, double originLat, double originLon, double scale,
                         double& x, double& y);

// Semi-major axis (metres) and squared eccentricity of the grid's one ellipsoid.
void Get_Ellipsoid(double& a, double& e2);

// Metres along the meridian from the equator to latitude `phi` (radians).
double Meridian_Arc(double phi, double a, double e2);

// The whole metre of a projected value: Whole_Part(v + falseOffset + 0.5), the two
// additions in this order, so that halves round up.
double gridValue(double v, double falseOffset);

// The largest whole number not above `v` (zero stays a plain zero).
double Whole_Part(double v);

}  // namespace coords
