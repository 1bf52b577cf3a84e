// Reading and writing the numbers inside a packet array (16, identifier, size, data,
// checksum, 16, 3). Every decoder reads through PacketReader, so a field that a short
// or malformed packet does not hold reads as 0 instead of running off the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "garmin/host.h"

namespace garmin {

constexpr std::uint8_t kDle = 16;  // frame start, and the byte that is doubled inside a frame
constexpr std::uint8_t kEtx = 3;   // ends a frame after an undoubled 16
constexpr std::size_t kDataStart = 3;
// 16, identifier, size, checksum, 16, 3: the smallest packet that can be a frame.
constexpr std::size_t kMinPacket = 6;

// The speed change in Garmin mode, the same under every link protocol.
constexpr std::uint8_t kPidTurnOffRequests = 0x1C;
constexpr std::uint8_t kPidBaudRequest = 0x30;
constexpr std::uint8_t kPidBaudAccept = 0x31;
constexpr std::uint16_t kCmndPing = 0x3A;

class PacketReader {
  public:
    explicit PacketReader(const Packet& packet);

    // The data bytes that actually arrived between the size byte and the checksum.
    // The size byte may claim more or fewer; it is never used to index.
    std::size_t dataCount() const { return count_; }
    // The size byte as sent, or 0 when the packet is too short to hold one.
    std::uint8_t sizeByte() const;
    // What the size byte claims, but never more than what arrived.
    std::size_t claimedCount() const;

    bool has(std::size_t offset, std::size_t width = 1) const;
    std::uint8_t u8(std::size_t offset) const;
    std::int16_t i16(std::size_t offset) const;
    std::uint16_t u16(std::size_t offset) const;
    std::int32_t i32(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    float f32(std::size_t offset) const;
    // Up to `maxCount` data bytes from `offset`, one character per byte; stops at the data's end.
    std::string text(std::size_t offset, std::size_t maxCount) const;

  private:
    // The one checked accessor: the little-endian value of `width` bytes at data offset
    // `offset`, or 0 when any of them lies beyond the data.
    std::uint32_t field(std::size_t offset, std::size_t width) const;

    const Packet& packet_;
    std::size_t count_;
};

// Writes `value` little-endian into `width` bytes from buffer index `index`; bytes that
// would fall beyond the buffer are not written.
void putLittleEndian(Packet& packet, std::size_t index, std::uint32_t value, std::size_t width);

}  // namespace garmin
