// "Convert these points and read the result back" through the product's own conversion pass.
// It is no independent oracle: rows that compare a download with it check the wiring (that
// every point arrived, in order, and reached the pass with the options chosen). The pass
// itself is checked against hand-made fixtures, cs2cs and GPSBabel in tests/trackfile.
#pragma once

#include <string>

#include "trackfile/convert.h"

namespace testkit {

// Converts the point file `pointFile` into `pointFile` + `suffix` (".gpx" asks for GPX) and
// returns its bytes; `counts`, when given, gets what the pass counted. The pass's
// ConversionError passes through.
std::string convertedBytes(const std::string& pointFile, const trackfile::ConvertOptions& options,
                           const std::string& suffix = ".out",
                           trackfile::ConvertCounts* counts = nullptr);
// The same with the design's grid flag: true chooses the old Israeli grid.
std::string convertedBytes(const std::string& pointFile, bool grid, bool reduce, int deviation,
                           char decimalSeparator = '.');

// The same for a point file whose bytes are `points`, written into a temporary folder.
std::string convertPoints(const std::string& points, const trackfile::ConvertOptions& options,
                          const std::string& suffix = ".out",
                          trackfile::ConvertCounts* counts = nullptr);

}  // namespace testkit
