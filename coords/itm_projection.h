// The "Israeli (new)" grid: Israeli Transverse Mercator (EPSG:2039) from the receiver's
// WGS 84 positions, with the datum shift PROJ's database gives for Israel.
#pragma once

struct pj_ctx;
struct PJconsts;

namespace coords {

// One transformation for one conversion pass. Each object has a PROJ context of its own,
// so passes on different threads never share PROJ state; setting it up reads PROJ's
// database, which is why it is done once per pass and never per point.
class ItmProjection {
  public:
    // Throws ConversionError when PROJ cannot set up the transformation (its database
    // missing, for one).
    ItmProjection();
    ~ItmProjection();
    ItmProjection(const ItmProjection&) = delete;
    ItmProjection& operator=(const ItmProjection&) = delete;

    // Easting and northing in whole metres (held in doubles), rounded half up as the old
    // grid's are. Throws OutsideGridArea for a point outside the grid's area, and
    // ArithmeticError for one PROJ cannot transform.
    void project(double lat, double lon, double& easting, double& northing);

  private:
    pj_ctx* context_ = nullptr;
    PJconsts* transform_ = nullptr;
};

}  // namespace coords
