// "Convert these points and read the result back" through the real conversion pass.
#pragma once

#include <string>

namespace testkit {

// Converts the point file `pointFile` into `pointFile` + ".out" and returns its bytes.
// The pass's ConversionError passes through.
std::string convertedBytes(const std::string& pointFile, bool grid, bool reduce, int deviation,
                           char decimalSeparator = '.');

// The same for a point file whose bytes are `points`, written into a temporary folder.
std::string convertPoints(const std::string& points, bool grid, bool reduce, int deviation,
                          char decimalSeparator = '.');

}  // namespace testkit
