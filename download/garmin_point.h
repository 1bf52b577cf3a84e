// A Garmin track record as every download hands its points on.
#pragma once

#include <string>

#include "garmin/track.h"
#include "seams/point_sink.h"

namespace app {

// Hands the receiver's point on to `sink`: without a position (a receiver stores a point
// taken without a fix beyond a pole) it is only counted. `elevation` in metres, NaN for none.
void Write_Track_Point(seams::PointSink& sink, const garmin::cTrack& t, float elevation);

// A track header's name: the receiver's bytes are one character each, a sink takes UTF-8.
std::string garminTrackName(const std::string& name);

}  // namespace app
