#include "tests/support/convert_oracle.h"

#include <cstdint>

#include "tests/support/temp_dir.h"

namespace testkit {

std::string convertedBytes(const std::string& pointFile, const coords::ConvertOptions& options,
                           const std::string& suffix) {
    const std::string out = pointFile + suffix;
    coords::Convert_Track_File(pointFile, out, options);
    return readFile(out);
}

std::string convertedBytes(const std::string& pointFile, bool grid, bool reduce, int deviation,
                           char decimalSeparator) {
    return convertedBytes(
        pointFile, {grid ? coords::CoordSystem::IsraeliOld : coords::CoordSystem::LatLon, reduce,
                    static_cast<std::int16_t>(deviation), decimalSeparator});
}

std::string convertPoints(const std::string& points, const coords::ConvertOptions& options,
                          const std::string& suffix) {
    const TempDir dir;
    const std::string in = dir.path("points.tmp");
    writeFile(in, points);
    return convertedBytes(in, options, suffix);
}

}  // namespace testkit
