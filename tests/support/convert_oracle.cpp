#include "tests/support/convert_oracle.h"

#include <cstdint>

#include "tests/support/temp_dir.h"

namespace testkit {

std::string convertedBytes(const std::string& pointFile, const trackfile::ConvertOptions& options,
                           const std::string& suffix, trackfile::ConvertCounts* counts) {
    const std::string out = pointFile + suffix;
    const trackfile::ConvertCounts got = trackfile::Convert_Track_File(pointFile, out, options);
    if (counts != nullptr) *counts = got;
    return readFile(out);
}

std::string convertedBytes(const std::string& pointFile, bool grid, bool reduce, int deviation,
                           char decimalSeparator) {
    return convertedBytes(
        pointFile, {grid ? coords::CoordSystem::IsraeliOld : coords::CoordSystem::LatLon, reduce,
                    static_cast<std::int16_t>(deviation), decimalSeparator});
}

std::string convertPoints(const std::string& points, const trackfile::ConvertOptions& options,
                          const std::string& suffix, trackfile::ConvertCounts* counts) {
    const TempDir dir;
    const std::string in = dir.path("points.tmp");
    writeFile(in, points);
    return convertedBytes(in, options, suffix, counts);
}

}  // namespace testkit
