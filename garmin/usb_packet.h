// The packets of the Garmin USB interface: a 12-byte little-endian header (byte 0 the
// packet type, bytes 4-5 the packet id, bytes 8-11 the data size; the rest zero) and the
// data. Transfers and packets need not line up: a packet may span several transfers and
// a transfer may hold several packets, so the assembler cuts packets out of the bytes by
// their headers' sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace garmin {

struct UsbPacket {
    std::uint8_t type = 0;
    std::uint16_t id = 0;
    std::string data;
};

// Packet types, and the ids of the protocol layer (type 0).
constexpr std::uint8_t kUsbProtocolLayer = 0;
constexpr std::uint8_t kUsbApplicationLayer = 20;
constexpr std::uint16_t kUsbDataAvailable = 2;
constexpr std::uint16_t kUsbStartSession = 5;
constexpr std::uint16_t kUsbSessionStarted = 6;

// The header and data of one packet as it goes on the wire.
std::string usbPacketBytes(std::uint8_t type, std::uint16_t id, std::string_view data);

class UsbPacketAssembler {
  public:
    static constexpr std::size_t kHeaderSize = 12;
    // No packet of a track download comes near this; a larger size is a garbled header,
    // and waiting for its data would hold the link up for nothing.
    static constexpr std::uint32_t kMaxDataSize = 64 * 1024;

    enum class Result { Packet, Incomplete, Invalid };

    void append(std::string_view bytes) { buffer_.append(bytes); }
    // Cuts the next whole packet out into `packet`. Invalid: a header with an absurd size
    // or a non-zero reserved byte; everything buffered is dropped then, since nothing
    // after it can be found again.
    Result next(UsbPacket& packet);
    void clear() { buffer_.clear(); }
    // Bytes of a packet not complete yet.
    std::size_t size() const { return buffer_.size(); }

  private:
    std::string buffer_;
};

}  // namespace garmin
