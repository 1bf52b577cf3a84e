#include "tests/support/convert_oracle.h"

#include <cstdint>

#include "coords/convert.h"
#include "tests/support/temp_dir.h"

namespace testkit {

std::string convertedBytes(const std::string& pointFile, bool grid, bool reduce, int deviation,
                           char decimalSeparator) {
    const std::string out = pointFile + ".out";
    coords::Convert_Track_File(pointFile, out, grid, reduce, static_cast<std::int16_t>(deviation),
                               decimalSeparator);
    return readFile(out);
}

std::string convertPoints(const std::string& points, bool grid, bool reduce, int deviation,
                          char decimalSeparator) {
    const TempDir dir;
    const std::string in = dir.path("points.tmp");
    writeFile(in, points);
    return convertedBytes(in, grid, reduce, deviation, decimalSeparator);
}

}  // namespace testkit
