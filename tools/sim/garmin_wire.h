// Garmin serial framing as the receiver sees it: DLE id size data checksum DLE ETX, with every
// DLE inside size, data and checksum sent twice.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ksim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kDle = 16;
inline constexpr std::uint8_t kEtx = 3;
inline constexpr std::uint8_t kPidAck = 6;
inline constexpr std::uint8_t kPidNak = 21;

// Two's complement of the byte sum of id, size and data.
std::uint8_t garminChecksum(std::uint8_t id, std::span<const std::uint8_t> data);

// The wire bytes of one packet. Data longer than 255 bytes cannot be framed and is cut there.
Bytes encodeFrame(std::uint8_t id, std::span<const std::uint8_t> data);

// Frames an already checksummed body (size, data, checksum) with DLE doubling. Used to put a
// deliberately wrong checksum or byte on the wire.
Bytes stuffFrame(std::uint8_t id, std::span<const std::uint8_t> body);

// ACK or NAK of packet `pid`: data [pid, 0], as receivers answer.
Bytes encodeReply(std::uint8_t replyId, std::uint8_t pid);

// Checked little-endian reads: a field beyond the end reads as zero.
std::uint16_t readU16(std::span<const std::uint8_t> data, std::size_t offset);
std::uint32_t readU32(std::span<const std::uint8_t> data, std::size_t offset);
void putU16(Bytes& out, std::uint16_t v);
void putU32(Bytes& out, std::uint32_t v);

}  // namespace ksim
