// The conversion pass: turns a temporary point file into the output file,
// in grid metres or packed degrees-minutes-seconds, optionally reduced to turns.
#pragma once

#include <cstdint>
#include <string>

#include "coords/conversion_error.h"

namespace coords {

// Reads `input` (lines `lat,lon,"text"` CR LF) from start to end and writes `output`
// (created or replaced). `decimalSeparator` is the user's locale's separator.
// Lines written before an error stay in the output file.
void Convert_Track_File(const std::string& input, const std::string& output, bool grid, bool reduce,
                        std::int16_t deviation, char decimalSeparator = '.');

}  // namespace coords
