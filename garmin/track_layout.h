// The track log's record layouts as a receiver's capability report names them: the first
// data type after the track protocol, and under A301 and A302 the point layout after it.
#pragma once

#include <string>

namespace garmin {

enum class PointLayout { PositionOnly, D300, D301, D302, D303, D304 };

// Named: display flag, colour and identifier (D310, D312). Indexed: a track number (D311).
enum class HeaderLayout { None, Named, Indexed };

struct TrackLayout {
    HeaderLayout header = HeaderLayout::None;
    PointLayout point = PointLayout::D300;

    // `first` is the data type that follows the track protocol ("D310"), `followingNumber`
    // the number of the data type after that (0 when none came).
    static TrackLayout fromReport(const std::string& first, int followingNumber);

    // D303 and D304 points carry no new-track flag: the engine works the segments out.
    bool segmentsFromPauses() const {
        return point == PointLayout::D303 || point == PointLayout::D304;
    }
    // Altitude and depth: D301 and D302; altitude alone: D303 and D304.
    bool hasAltitude() const { return point >= PointLayout::D301; }
    bool hasDepth() const { return point == PointLayout::D301 || point == PointLayout::D302; }
};

}  // namespace garmin
