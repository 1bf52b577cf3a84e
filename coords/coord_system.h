// The coordinate systems a track can be written in.
#pragma once

namespace coords {

// The coordinate system of the output, in the order of the window's list.
enum class CoordSystem {
    LatLon,      // packed degrees-minutes-seconds
    IsraeliOld,  // the old Israeli grid, by the program's own projection
    IsraeliNew,  // Israeli Transverse Mercator (EPSG:2039)
};

}  // namespace coords
