// Writes the positions of a Magellan reply to a temporary point file.
#pragma once

#include <string>
#include <vector>

#include "magellan/reply_line.h"

namespace magellan {

// Magellan replies carry no time of day; every point gets this text.
inline constexpr const char* kNoTimeText = "N/A";

// Creates (or empties) `path` and writes one record per point. Throws
// std::runtime_error naming the file and the reason when it cannot be written.
void writePointFile(const std::string& path, const std::vector<ReplyPoint>& points);

}  // namespace magellan
