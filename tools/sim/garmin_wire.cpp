// Garmin framing, checksums and the host-frame reader.
#include "tools/sim/garmin_wire.h"

#include <algorithm>

namespace ksim {

std::uint8_t garminChecksum(std::uint8_t id, std::span<const std::uint8_t> data) {
    unsigned sum = id + static_cast<unsigned>(data.size() & 0xFF);
    for (std::uint8_t b : data) sum += b;
    return static_cast<std::uint8_t>(-sum & 0xFF);
}

Bytes stuffFrame(std::uint8_t id, std::span<const std::uint8_t> body) {
    Bytes wire{kDle, id};
    wire.reserve(body.size() + 8);
    for (std::uint8_t b : body) {
        wire.push_back(b);
        if (b == kDle) wire.push_back(kDle);
    }
    wire.push_back(kDle);
    wire.push_back(kEtx);
    return wire;
}

Bytes encodeFrame(std::uint8_t id, std::span<const std::uint8_t> data) {
    data = data.first(std::min<std::size_t>(data.size(), 255));
    Bytes body;
    body.reserve(data.size() + 2);
    body.push_back(static_cast<std::uint8_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(garminChecksum(id, data));
    return stuffFrame(id, body);
}

Bytes encodeReply(std::uint8_t replyId, std::uint8_t pid) {
    const std::uint8_t data[] = {pid, 0};
    return encodeFrame(replyId, data);
}

std::uint16_t readU16(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 2) return 0;
    return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::uint32_t readU32(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 4) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | data[offset + static_cast<std::size_t>(i)];
    return v;
}

void putU16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace ksim
