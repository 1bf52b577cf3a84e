// The engine's host: the window side that receives every accepted packet and the
// engine's error reports. The port, timer, pump and clock seams are in seams/seams.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "seams/seams.h"

namespace garmin {

using seams::Clock;
using seams::EventPump;
using seams::kCommErrorThreshold;
using seams::kCommEvReceive;
using seams::ReplyTimer;
using seams::SerialPort;

using Packet = std::vector<std::uint8_t>;

// The window's side of the engine: every accepted packet and every error report 0 or 1.
class Host {
  public:
    virtual ~Host() = default;
    virtual void Receive(std::uint8_t& Packet_Command, std::uint8_t& Packet_Data_1) = 0;
    virtual void cError(std::int16_t& cErr, std::string& eMessage, Packet& LastPacket) = 0;
    // The receiver talks NMEA or TEXT sentences instead of Garmin packets.
    virtual void setSentencesSeen(bool seen) = 0;
};

}  // namespace garmin
