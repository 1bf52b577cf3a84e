// Angle forms shared by the conversion pass and the Magellan download: packed
// degrees-minutes-seconds, the receiver's packed degrees-and-minutes, and the
// direction of a step between two grid points. Stateless; errors throw ArithmeticError.
#pragma once

#include <cstdint>

#include "coords/arith_error.h"

namespace coords {

// 10000*degrees + 100*minutes + seconds. A negative angle is packed sign and
// magnitude: -31.5 gives -313000.
double Deg_To_DMS(double degrees);

// 100*degrees + minutes (the receiver's ddmm.mmmm) to decimal degrees, sign and
// magnitude like Deg_To_DMS.
double NMEA_To_Deg(double packed);

// `a` when it is smaller, otherwise `b`.
double Min_Value(double a, double b);

// Degrees clockwise from grid north, 0 <= result < 360, of the step from the earlier
// point (x0, y0) to the later point (x1, y1). A difference beyond 32 bits throws.
double Grid_Bearing(std::int32_t x1, std::int32_t y1, std::int32_t x0, std::int32_t y0);

}  // namespace coords
