// The point file a host should store after downloading the simulated track, written so tests
// can compare the host's temporary point file with it line for line.
#pragma once

#include <string>

#include "tools/sim/garmin_records.h"
#include "tools/sim/track.h"

namespace ksim {

// Decimal degrees with up to 15 significant digits, never in exponent form.
std::string formatDegrees(double value);

// `lat,lon,"time"` CR LF per point. Garmin: the degrees the semicircles on the wire stand
// for and the receiver time as yyyy/mm/dd-hh:mm:ss (or N/A). Magellan: the degrees the
// ddmm.mmmm text stands for and "N/A". Headers are not stored by a host, nor points without
// a position.
std::string garminDumpText(const Track& track);
std::string magellanDumpText(const Track& track);

// Writes `text` to `path`; returns an error text or empty.
std::string writeTextFile(const std::string& path, const std::string& text);

}  // namespace ksim
