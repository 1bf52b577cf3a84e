// UsbPacketAssembler: see usb_packet.h.
#include "garmin/usb_packet.h"

namespace garmin {

namespace {

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

void putLittleEndian(std::string& out, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string usbPacketBytes(std::uint8_t type, std::uint16_t id, std::string_view data) {
    std::string out;
    out.reserve(UsbPacketAssembler::kHeaderSize + data.size());
    putLittleEndian(out, type, 4);
    putLittleEndian(out, id, 4);
    putLittleEndian(out, static_cast<std::uint32_t>(data.size()), 4);
    out.append(data);
    return out;
}

UsbPacketAssembler::Result UsbPacketAssembler::next(UsbPacket& packet) {
    if (buffer_.size() < kHeaderSize) return Result::Incomplete;
    const std::string_view header(buffer_.data(), kHeaderSize);
    const std::uint32_t size = littleEndian(header, 8, 4);
    const bool reservedClear = littleEndian(header, 1, 3) == 0 && littleEndian(header, 6, 2) == 0;
    if (size > kMaxDataSize || !reservedClear) {
        buffer_.clear();
        return Result::Invalid;
    }
    if (buffer_.size() - kHeaderSize < size) return Result::Incomplete;
    packet.type = static_cast<std::uint8_t>(header[0]);
    packet.id = static_cast<std::uint16_t>(littleEndian(header, 4, 2));
    packet.data = buffer_.substr(kHeaderSize, size);
    buffer_.erase(0, kHeaderSize + size);
    return Result::Packet;
}

}  // namespace garmin
