// The receiver's time text ("yyyy/mm/dd-hh:mm:ss", UTC) as seconds since 1970, for the
// overview's durations and local times.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace overview {

// Seconds since 1970-01-01 00:00:00 UTC; nothing for "N/A" or any text not of that form
// (a point file is read as it was written, and a damaged one must not become a time).
std::optional<std::int64_t> parseReceiverTime(std::string_view text);

}  // namespace overview
