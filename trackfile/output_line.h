// One line of the output file: two numbers and the record's text in 14-character
// print zones, CR LF at the end.
#pragma once

#include <string>
#include <string_view>

namespace trackfile {

// Appends " 170251       1126868      N/A\r\n"-style lines to `out`. Each number is a
// space (or '-'), its digits (no zero before the point: " .36 ") and one space; each
// item starts at the first zone start (columns 1, 15, 29, ...) beyond the previous
// item's last character, so an item of exactly 14 characters sends the next one to
// the following zone with no space between them.
void appendOutputLine(std::string& out, double first, double second, std::string_view text,
                      char decimalSeparator);

}  // namespace trackfile
