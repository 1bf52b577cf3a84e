// Built-in tracks: a day walk in the Jerusalem hills for trying Kelvaron out, and a long
// synthetic hike in the Galilee for large-transfer tests and benchmarks. Both are
// deterministic: the same call always gives the same points.
#pragma once

#include <cstddef>

#include "tools/sim/track.h"

namespace ksim {

// About three hundred points from Ein Karem down to the Sorek valley, up to the Sataf
// springs (lunch), over the ridge and back: two segments under one header.
Track builtinSampleTrack();

// `points` points of a walk around Mount Meron with a new segment every few thousand points.
Track syntheticHike(std::size_t points);

}  // namespace ksim
