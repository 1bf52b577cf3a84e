// Checked access to the fields of a packet array.
#include "garmin/packet_io.h"

#include <bit>

namespace garmin {

PacketReader::PacketReader(const Packet& packet)
    : packet_(packet), count_(packet.size() >= kMinPacket ? packet.size() - kMinPacket : 0) {}

std::uint8_t PacketReader::sizeByte() const {
    return packet_.size() > 2 ? packet_[2] : 0;
}

std::size_t PacketReader::claimedCount() const {
    return sizeByte() < count_ ? sizeByte() : count_;
}

bool PacketReader::has(std::size_t offset, std::size_t width) const {
    return offset <= count_ && width <= count_ - offset;
}

std::uint32_t PacketReader::field(std::size_t offset, std::size_t width) const {
    if (!has(offset, width)) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;) {
        value = (value << 8) | packet_[kDataStart + offset + i];
    }
    return value;
}

std::uint8_t PacketReader::u8(std::size_t offset) const {
    return static_cast<std::uint8_t>(field(offset, 1));
}
std::int16_t PacketReader::i16(std::size_t offset) const {
    return static_cast<std::int16_t>(field(offset, 2));
}
std::uint16_t PacketReader::u16(std::size_t offset) const {
    return static_cast<std::uint16_t>(field(offset, 2));
}
std::int32_t PacketReader::i32(std::size_t offset) const {
    return static_cast<std::int32_t>(field(offset, 4));
}
std::uint32_t PacketReader::u32(std::size_t offset) const {
    return field(offset, 4);
}
float PacketReader::f32(std::size_t offset) const {
    return std::bit_cast<float>(field(offset, 4));
}

std::string PacketReader::text(std::size_t offset, std::size_t maxCount) const {
    std::string result;
    for (std::size_t i = 0; i < maxCount && has(offset + i); ++i) {
        result.push_back(static_cast<char>(u8(offset + i)));
    }
    return result;
}

void putLittleEndian(Packet& packet, std::size_t index, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width && index + i < packet.size(); ++i) {
        packet[index + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace garmin
