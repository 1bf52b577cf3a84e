// Which layouts a capability report's track data types stand for.
#include "garmin/track_layout.h"

namespace garmin {

namespace {

PointLayout pointLayout(int number) {
    switch (number) {
        case 300:
            return PointLayout::D300;
        case 301:
            return PointLayout::D301;
        case 302:
            return PointLayout::D302;
        case 303:
            return PointLayout::D303;
        case 304:
            return PointLayout::D304;
        default:
            return PointLayout::PositionOnly;
    }
}

}  // namespace

TrackLayout TrackLayout::fromReport(const std::string& first, int followingNumber) {
    // Receivers that report D301 alone send their headers in the D310 layout as well;
    // and a D310 header always comes with D301 points, whatever the report says after it.
    if (first == "D301") return {HeaderLayout::Named, PointLayout::D301};
    if (first == "D310") return {HeaderLayout::Named, PointLayout::D301};
    if (first == "D311") return {HeaderLayout::Indexed, pointLayout(followingNumber)};
    if (first == "D312") return {HeaderLayout::Named, pointLayout(followingNumber)};
    if (first.size() == 4 && first[0] == 'D' && first.substr(1) >= "300" &&
        first.substr(1) <= "304")
        return {HeaderLayout::None, pointLayout(std::stoi(first.substr(1)))};
    return {HeaderLayout::None, PointLayout::PositionOnly};
}

}  // namespace garmin
