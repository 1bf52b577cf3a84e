// The temporary point file: one point a line, `lat,lon,"text"` CR LF, degrees with
// a full stop and up to 15 significant digits. Writers and the reader share this.
#pragma once

#include <cstdio>
#include <string>

namespace coords {

// The line for one point, CR LF included.
std::string Format_Point_Record(double lat, double lon, const std::string& text);

}  // namespace coords
