#include "coords/itm_projection.h"

#include <proj.h>

#include <cmath>
#include <string>

#include "coords/arith_error.h"
#include "coords/conversion_error.h"
#include "coords/grid.h"

namespace coords {

namespace {

// Where the grid is drawn. EPSG's area of use for the grid (29.45..33.28 N,
// 34.17..35.69 E) stops short of the Golan Heights and Mount Hermon, which Israeli maps
// print in this grid and where many tracks are walked, so the box reaches north to
// 33.53 and east to 35.95. Beyond it the grid's numbers mean nothing to anyone, and a
// point there is a wrong fix or a wrong choice of system.
constexpr double kSouth = 29.45;
constexpr double kNorth = 33.53;
constexpr double kWest = 34.17;
constexpr double kEast = 35.95;

}  // namespace

ItmProjection::ItmProjection() : context_(proj_context_create()) {
    if (context_ == nullptr) throw ConversionError("The Israeli (new) grid cannot be set up.");
    // Failures reach the user through our own messages; PROJ's log would go to stderr.
    proj_log_level(context_, PJ_LOG_NONE);
    if (PJ* given = proj_create_crs_to_crs(context_, "EPSG:4326", "EPSG:2039", nullptr)) {
        // EPSG's WGS 84 takes latitude first; the normalised form takes longitude, latitude
        // and gives easting, northing, whatever the database says about axis order.
        transform_ = proj_normalize_for_visualization(context_, given);
        proj_destroy(given);
    }
    if (transform_ == nullptr) {
        const std::string why = proj_context_errno_string(context_, proj_context_errno(context_));
        proj_context_destroy(context_);
        throw ConversionError("The Israeli (new) grid cannot be set up: " + why);
    }
}

ItmProjection::~ItmProjection() {
    proj_destroy(transform_);
    proj_context_destroy(context_);
}

void ItmProjection::project(double lat, double lon, double& easting, double& northing) {
    if (!(lat >= kSouth && lat <= kNorth && lon >= kWest && lon <= kEast))
        throw OutsideGridArea("the point lies outside the area of the Israeli (new) grid");
    const PJ_COORD grid = proj_trans(transform_, PJ_FWD, proj_coord(lon, lat, 0.0, 0.0));
    if (grid.xy.x == HUGE_VAL || grid.xy.y == HUGE_VAL)
        throw ArithmeticError("the Israeli (new) grid cannot take the point");
    easting = Whole_Part(requireFinite(grid.xy.x, "the new grid's easting") + 0.5);
    northing = Whole_Part(requireFinite(grid.xy.y, "the new grid's northing") + 0.5);
}

}  // namespace coords
