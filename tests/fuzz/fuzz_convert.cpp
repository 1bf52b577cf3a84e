// Fuzz target: the point file reader and the conversion pass in all its modes, fed
// arbitrary files.
//
// Input: one steering byte, then the file itself. Bit 0 asks for grid output, bit 3 for
// the newer form (with bit 0 the new Israeli grid, without it GPX), bit 1 for reduction,
// bit 2 for a comma as the decimal separator, and bits 4 to 7 times six give the deviation
// in degrees. A ConversionError is the pass refusing a bad file, as it should; anything
// else that escapes, or a broken promise below, is a finding.
#include <cmath>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/convert_oracle.h"
#include "tests/support/temp_dir.h"
#include "trackfile/point_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testkit::TempDir scratch;
    kelvaron_fuzz::Input in(data, size);
    const std::uint8_t steer = in.Byte();
    const bool reduce = (steer & 2) != 0;
    const bool gpx = (steer & 9) == 8;
    const coords::CoordSystem systems[] = {
        coords::CoordSystem::LatLon, coords::CoordSystem::IsraeliOld, coords::CoordSystem::LatLon,
        coords::CoordSystem::IsraeliNew};
    const std::string points = scratch.path("points");
    testkit::writeFile(points, std::string(in.Rest()));
    std::string output;
    try {
        output = testkit::convertedBytes(
            points,
            {systems[(steer & 1) | (steer >> 2 & 2)], reduce,
             static_cast<std::int16_t>((steer >> 4) * 6), (steer & 4) != 0 ? ',' : '.'},
            gpx ? ".gpx" : ".out");
    } catch (const coords::ConversionError&) {
        return 0;
    }
    // The pass cannot accept what the reader refuses. (The reader runs only after a pass
    // that succeeded: each holds a megabyte buffer, a fresh mapping under the sanitizer.)
    trackfile::PointFileReader reader(points);
    trackfile::PointRecord record;
    long records = 0;
    while (reader.next(record)) {
        FUZZ_CHECK(std::isfinite(record.lat) && std::isfinite(record.lon));
        FUZZ_CHECK(record.text.find_first_of("\r\n") == std::string_view::npos);
        ++records;
    }
    // GPX: one whole document, a track point a line. Text: every output line ends in CR LF
    // and holds no other line break.
    long lines = 0;
    for (std::size_t at = 0; gpx && (at = output.find("<trkpt ", at)) != std::string::npos; ++at)
        ++lines;
    FUZZ_CHECK(!gpx || (output.starts_with("<?xml ") && output.ends_with("</gpx>\n")));
    for (std::size_t start = 0, lf; !gpx && start < output.size(); start = lf + 1, ++lines) {
        lf = output.find('\n', start);
        FUZZ_CHECK(lf != std::string::npos && lf > start && output.find('\r', start) == lf - 1);
    }
    // A reduced track keeps its first and last point, a lone point once.
    FUZZ_CHECK(!reduce || records <= 1 ? lines == records : lines >= 2 && lines <= records);
    return 0;
}
