// The conversion pass: turns a temporary point file into the output file, in grid metres,
// packed degrees-minutes-seconds or GPX, optionally reduced to turns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "coords/conversion_error.h"
#include "coords/coord_system.h"

namespace trackfile {

// A track that begins at a line of the point file, with the name its receiver gave it
// (UTF-8; may be empty). Only GPX keeps tracks apart.
struct TrackStart {
    std::uint64_t line = 0;
    std::string name;
};

// A point file line's elevation in metres is the line's float in `elevationsFile` (four
// bytes each, in the machine's order, as the download wrote them beside the point file);
// NaN, a line past its end, or no file means the receiver gave none. Only GPX writes
// elevations. A file keeps them out of memory, so a track of any length needs the same.
struct ConvertOptions {
    coords::CoordSystem system = coords::CoordSystem::LatLon;
    bool reduce = false;
    std::int16_t deviation = 0;   // degrees, used when reducing
    char decimalSeparator = '.';  // the user's locale's separator
    // Lines of the point file (counting from 1, ascending) that begin a new track
    // segment. GPX starts a new segment there; the text output has no segment marks.
    std::vector<std::uint64_t> segmentStarts = {};
    // Where tracks begin (ascending lines); a new track also begins a segment.
    std::vector<TrackStart> trackStarts = {};
    std::string elevationsFile = {};
};

// What one pass did: the points it read from the point file and the points it wrote to the
// output (fewer when reduced).
struct ConvertCounts {
    std::uint64_t pointsRead = 0;
    std::uint64_t pointsWritten = 0;
};

// Reads `input` (lines `lat,lon,"text"` CR LF) from start to end and writes `output`: GPX when
// its name ends in ".gpx" (any case; see isGpxName in coords/gpx_writer.h), in which the
// coordinate system does not apply, otherwise text lines in the chosen system.
// The output appears under its name only when it is complete: a pass that fails (a bad
// record, an arithmetic error, a write failure) throws ConversionError and leaves a file
// already at that name as it was, with no part of the new one anywhere.
ConvertCounts Convert_Track_File(const std::string& input, const std::string& output,
                                 const ConvertOptions& options);

}  // namespace trackfile
