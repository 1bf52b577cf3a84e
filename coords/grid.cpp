// The literals and the order of the operations below are those of the published grid
// definition: changing either moves some points by a metre, so keep them as they are.
#include "coords/grid.h"

#include <cmath>

#include "coords/conversion_error.h"

namespace coords {

namespace {

// Not pi/180 but the decimal literal the grid was defined with (one unit in the
// last place above it).
constexpr double kDegToRad = 0.0174532925199433;

constexpr double kOriginLat = 31.73409;
constexpr double kOriginLon = 35.21206;
constexpr double kFalseEasting = 170251.0;
constexpr double kFalseNorthing = 1126868.0;

// Where the grid is drawn: EPSG's area of use for it (29.18..33.38 N, 34.17..39.31 E:
// Israel, Jordan and the Palestinian territories), reaching north to 33.53 as the new
// grid's does, for Mount Hermon, which the maps printed in this grid too.
constexpr double kSouth = 29.18;
constexpr double kNorth = 33.53;
constexpr double kWest = 34.17;
constexpr double kEast = 39.31;

}  // namespace

void LatLon_To_Israeli_Grid(double lat, double lon, double& easting, double& northing) {
    double x = 0.0;
    double y = 0.0;
    Transverse_Mercator(lat, lon, kOriginLat, kOriginLon, 1.0, x, y);
    const double e = gridValue(x, kFalseEasting);
    const double n = gridValue(y, kFalseNorthing);
    easting = e;
    northing = n;
}

void requireOldGridArea(double lat, double lon) {
    if (!(lat >= kSouth && lat <= kNorth && lon >= kWest && lon <= kEast))
        throw OutsideGridArea("the point lies outside the area of the Israeli (old) grid");
}

void Transverse_Mercator(double lat, double lon, double originLat, double originLon, double scale,
                         double& x, double& y) {
    const double phi = requireFinite(lat * kDegToRad, "the latitude");
    const double lambda = requireFinite(lon * kDegToRad, "the longitude");
    const double phi0 = requireFinite(originLat * kDegToRad, "the origin latitude");
    const double lambda0 = requireFinite(originLon * kDegToRad, "the origin longitude");

    double a = 0.0;
    double e2 = 0.0;
    Get_Ellipsoid(a, e2);
    const double m0 = Meridian_Arc(phi0, a, e2);
    const double m = Meridian_Arc(phi, a, e2);
    const double ep2 = e2 / (1.0 - e2);

    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double tanPhi = requireFinite(std::tan(phi), "the tangent of the latitude");
    const double n = requireFinite(a / std::sqrt(1.0 - e2 * sinPhi * sinPhi), "the normal radius");
    const double t = requireFinite(tanPhi * tanPhi, "the squared tangent");
    const double c = ep2 * cosPhi * cosPhi;
    const double aa = requireFinite((lambda - lambda0) * cosPhi, "the longitude term");

    const double a2 = requireFinite(aa * aa, "the longitude term");
    const double a3 = requireFinite(a2 * aa, "the longitude term");
    const double a4 = requireFinite(a3 * aa, "the longitude term");
    const double a5 = requireFinite(a4 * aa, "the longitude term");
    const double a6 = requireFinite(a5 * aa, "the longitude term");

    const double xs = aa + (1.0 - t + c) * a3 / 6.0 +
                      (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * ep2) * a5 / 120.0;
    const double ys = a2 / 2.0 + (5.0 - t + 9.0 * c + 4.0 * c * c) * a4 / 24.0 +
                      (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * ep2) * a6 / 720.0;
    const double xr = requireFinite(scale * n * xs, "the easting");
    const double yr = requireFinite(scale * ((m - m0) + n * tanPhi * ys), "the northing");
    x = xr;
    y = yr;
}

void Get_Ellipsoid(double& a, double& e2) {
    const double f = 1.0 / 293.466;
    a = 6378300.789;
    e2 = (f + f) - f * f;
}

double Meridian_Arc(double phi, double a, double e2) {
    const double e4 = e2 * e2;
    const double e6 = e4 * e2;
    const double m =
        a * ((1.0 - e2 / 4.0 - 3.0 * e4 / 64.0 - 5.0 * e6 / 256.0) * phi -
             (3.0 * e2 / 8.0 + 3.0 * e4 / 32.0 + 45.0 * e6 / 1024.0) * std::sin(2.0 * phi) +
             (15.0 * e4 / 256.0 + 45.0 * e6 / 1024.0) * std::sin(4.0 * phi) -
             (35.0 * e6 / 3072.0) * std::sin(6.0 * phi));
    return requireFinite(m, "the meridian arc");
}

double gridValue(double v, double falseOffset) {
    return Whole_Part(v + falseOffset + 0.5);
}

double Whole_Part(double v) {
    requireFinite(v, "the grid value");
    // Flooring every value, negative ones included, keeps the half-up rounding of
    // LatLon_To_Israeli_Grid true on both sides of zero.
    if (v == 0.0) return 0.0;
    return std::floor(v);
}

}  // namespace coords
