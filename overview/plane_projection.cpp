#include "overview/plane_projection.h"

#include <cmath>
#include <exception>
#include <numbers>

#include "coords/grid.h"

namespace overview {

namespace {

// Metres of one degree of latitude on WGS 84 at `lat`.
double metresPerDegree(double lat) {
    constexpr double a = 6378137.0;
    constexpr double f = 1 / 298.257223563;
    constexpr double e2 = f * (2 - f);
    const double s = std::sin(lat * std::numbers::pi / 180);
    const double w = std::sqrt(1 - e2 * s * s);
    return a * (1 - e2) / (w * w * w) * std::numbers::pi / 180;
}

}  // namespace

PlaneProjection::PlaneProjection(coords::CoordSystem system,
                                 const std::vector<std::vector<LatLon>>& sample) {
    double low = 90, high = -90;
    for (const auto& s : sample)
        for (const LatLon& p : s) {
            low = std::min(low, p.lat);
            high = std::max(high, p.lat);
        }
    const double middle = low <= high ? (low + high) / 2 : 0.0;
    lonScale_ = std::max(0.01, std::cos(middle * std::numbers::pi / 180));
    metresPerUnit_ = metresPerDegree(middle);
    if (system == coords::CoordSystem::LatLon) return;
    try {
        if (system == coords::CoordSystem::IsraeliNew) {
            itm_ = std::make_unique<coords::ItmProjection>();
            grid_ = Grid::New;
        } else {
            grid_ = Grid::Old;
        }
        for (const auto& s : sample)
            for (const LatLon& p : s) {
                project(p);
                if (grid_ == Grid::Old) coords::requireOldGridArea(p.lat, p.lon);
            }
        metresPerUnit_ = 1.0;
    } catch (const std::exception&) {
        grid_ = Grid::None;
        itm_.reset();
    }
}

Plane PlaneProjection::project(const LatLon& p) const {
    Plane out;
    if (grid_ == Grid::New)
        itm_->project(p.lat, p.lon, out.x, out.y);
    else
        coords::LatLon_To_Israeli_Grid(p.lat, p.lon, out.x, out.y);
    return out;
}

Plane PlaneProjection::toPlane(const LatLon& p) const {
    if (grid_ == Grid::None) return {p.lon * lonScale_, p.lat};
    return project(p);
}

}  // namespace overview
