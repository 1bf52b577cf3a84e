// One line of a Magellan track reply turned into a position.
#pragma once

#include <optional>
#include <string_view>

namespace magellan {

struct ReplyPoint {
    double lat = 0;  // decimal degrees, north positive
    double lon = 0;  // decimal degrees, east positive
};

// Reads a track line "$PMGNTRK,ddmm.mmmm,N,dddmm.mmmm,E,..." (a trailing CR is
// allowed). South and west hemispheres give negative degrees. Numbers are read with
// a full stop whatever the user's locale. Anything else gives no point: other
// sentences, missing or non-numeric fields, minutes of 60 or more, degrees beyond
// 90 or 180, and a checksum that does not match the line.
std::optional<ReplyPoint> parseReplyLine(std::string_view line);

}  // namespace magellan
