// ResendFilter: see resend_filter.h for why byte identity is the test.
#include "garmin/resend_filter.h"

#include <algorithm>
#include <span>

#include "garmin/packet_io.h"

namespace garmin {

namespace {

// Identifier, size byte and data: everything from index 1 up to the checksum.
std::span<const std::uint8_t> content(const Packet& packet) {
    if (packet.size() < kMinPacket) return {};
    return std::span<const std::uint8_t>(packet).subspan(1, packet.size() - 4);
}

}  // namespace

bool ResendFilter::isRepeat(const Packet& packet) const {
    const auto bytes = content(packet);
    return !last_.empty() && std::ranges::equal(bytes, last_);
}

void ResendFilter::acknowledged(const Packet& packet) {
    const auto bytes = content(packet);
    last_.assign(bytes.begin(), bytes.end());
}

}  // namespace garmin
