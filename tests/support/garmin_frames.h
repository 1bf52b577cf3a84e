// The tests' own Garmin framing, written from the protocol's description and not from
// the engine: packets to wire frames and back, and hex text for transcripts and traces.
// Byte strings are std::string, one char per byte, as the serial port seam carries them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "garmin/host.h"

namespace testkit {

// 16, id, size, data, checksum, 16, 3 with every 16 from size to checksum doubled. The
// size byte is the data's count unless `sizeByte` gives another; the checksum always
// makes identifier to checksum sum to zero.
std::string frame(std::uint8_t id, std::string_view data, int sizeByte = -1);

// A wire frame with its doubling undone, as a packet array (16, id, size, data, checksum,
// 16, 3). False when it is not one well-formed frame: wrong ends, an undoubled 16 inside,
// a size byte that miscounts the data, or a checksum that does not match.
bool unframe(std::string_view wire, garmin::Packet& packet);

// "10 FE 00" from bytes, and back; the reader takes any whitespace between pairs.
std::string toHex(std::string_view bytes);
std::string fromHex(std::string_view text);

}  // namespace testkit
