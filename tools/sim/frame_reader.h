// The host's byte stream cut into Garmin frames, as the receiver reads it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "tools/sim/garmin_wire.h"

namespace ksim {

// One thing found in the host's byte stream.
struct HostFrame {
    enum class Kind {
        Packet,       // a complete frame; see `check`
        Noise,        // bytes outside any frame
        BrokenFrame,  // a frame cut short by a lone DLE that was not followed by ETX
    };
    enum class Check { Ok, BadChecksum, BadSize };

    Kind kind = Kind::Noise;
    Check check = Check::Ok;
    Bytes wire;  // the bytes as they arrived, doubling included
    std::uint8_t id = 0;
    Bytes data;
};

// Cuts the host's bytes into frames. It never trusts the size byte for framing: a frame ends
// at the first DLE ETX that is not part of a doubled DLE, and oversized frames are dropped.
class FrameReader {
  public:
    // Appends the events the new bytes complete to `out`.
    void feed(std::span<const std::uint8_t> bytes, std::vector<HostFrame>& out);

  private:
    enum class State { Hunt, Start, Body, BodyDle };
    static constexpr std::size_t kMaxBody = 300;

    void flushNoise(std::vector<HostFrame>& out);
    void finishFrame(std::vector<HostFrame>& out);
    void beginFrame(std::uint8_t id);

    State state_ = State::Hunt;
    Bytes noise_;
    Bytes wire_;
    Bytes body_;  // size, data and checksum after undoubling
    std::uint8_t id_ = 0;
};

}  // namespace ksim
