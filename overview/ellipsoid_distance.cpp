#include "overview/ellipsoid_distance.h"

#include <cmath>
#include <numbers>

namespace overview {

namespace {

constexpr double kA = 6378137.0;  // WGS 84
constexpr double kF = 1 / 298.257223563;
constexpr double kE2 = kF * (2 - kF);
constexpr double kShortStep = 1000.0;  // metres
constexpr double kRadians = std::numbers::pi / 180.0;

}  // namespace

EllipsoidDistance::EllipsoidDistance() {
    geod_init(&geod_, kA, kF);
}

double EllipsoidDistance::metres(double lat1, double lon1, double lat2, double lon2) const {
    double dLon = lon2 - lon1;
    if (dLon > 180.0) dLon -= 360.0;
    if (dLon < -180.0) dLon += 360.0;
    const double mid = (lat1 + lat2) / 2 * kRadians;
    const double sinMid = std::sin(mid);
    const double w = std::sqrt(1 - kE2 * sinMid * sinMid);
    const double meridian = kA * (1 - kE2) / (w * w * w);
    const double primeVertical = kA / w;
    const double step = std::hypot(meridian * (lat2 - lat1) * kRadians,
                                   primeVertical * std::cos(mid) * dLon * kRadians);
    if (step <= kShortStep) return step;
    double s12 = 0.0;
    geod_inverse(&geod_, lat1, lon1, lat2, lon2, &s12, nullptr, nullptr);
    return s12;
}

}  // namespace overview
