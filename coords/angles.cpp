#include "coords/angles.h"

#include <cmath>
#include <limits>

namespace coords {

namespace {

// The packing of a non-negative angle; the sign is put back by the callers, because
// flooring a negative value would borrow a whole degree (and a whole minute) from
// the fields that follow.
double packDms(double v) {
    const double whole = std::floor(v);
    double p = requireFinite(whole * 10000.0, "the packed angle");
    const double m = (v - whole) * 60.0;
    p = std::floor(m) * 100.0 + p;
    const double s = (m - std::floor(m)) * 60.0;
    return requireFinite(s + p, "the packed angle");
}

double unpackNmea(double x) {
    const double d = std::floor(requireFinite(x / 100.0, "the packed degrees"));
    const double mi = std::floor(x) - d * 100.0;
    const double s = (x - std::floor(x)) * 60.0;
    return requireFinite((mi / 60.0 + d) + s / 3600.0, "the decimal degrees");
}

std::int32_t checkedDifference(std::int32_t a, std::int32_t b) {
    const std::int64_t d = std::int64_t{a} - std::int64_t{b};
    if (d < std::numeric_limits<std::int32_t>::min() ||
        d > std::numeric_limits<std::int32_t>::max())
        throw ArithmeticError("the step between two grid points does not fit 32 bits");
    return static_cast<std::int32_t>(d);
}

}  // namespace

double Deg_To_DMS(double degrees) {
    requireFinite(degrees, "the angle");
    if (degrees < 0.0) return -packDms(-degrees);
    return packDms(degrees);
}

double NMEA_To_Deg(double packed) {
    requireFinite(packed, "the packed degrees");
    if (packed < 0.0) return -unpackNmea(-packed);
    return unpackNmea(packed);
}

double Min_Value(double a, double b) {
    return a < b ? a : b;
}

double Grid_Bearing(std::int32_t x1, std::int32_t y1, std::int32_t x0, std::int32_t y0) {
    const std::int32_t dx = checkedDifference(x1, x0);
    const std::int32_t dy = checkedDifference(y1, y0);
    if (dy == 0) {
        if (dx > 0) return 90.0;
        if (dx < 0) return 270.0;
        return 0.0;
    }
    if (dx == 0) return dy > 0 ? 0.0 : 180.0;
    // 3.14159265358979 is the literal the bearings were always computed with; it sits
    // just below pi, and multiplying before dividing keeps the last digit the same.
    const double t =
        std::atan(static_cast<double>(dx) / static_cast<double>(dy)) * 180.0 / 3.14159265358979;
    if (dx > 0 && dy > 0) return t;
    if (dx > 0) return 180.0 - std::fabs(t);
    if (dy < 0) return 180.0 + std::fabs(t);
    return 360.0 - std::fabs(t);
}

}  // namespace coords
