// Garmin frames as the benchmark's own receiver writes and reads them: 16, id, size,
// data, checksum, 16, 3, with every 16 of size, data and checksum doubled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvaron_bench {

inline constexpr std::uint8_t kDle = 16;
inline constexpr std::uint8_t kEtx = 3;
inline constexpr std::uint8_t kPidAck = 6;
inline constexpr std::uint8_t kPidNak = 21;

struct Packet {
    std::uint8_t id = 0;
    std::string data;
};

// The wire bytes of one packet.
std::string Encode_Frame(std::uint8_t id, std::string_view data);

// Cuts the host's frames out of a byte stream, one byte at a time; frames with a bad
// size or checksum are dropped and counted.
class Frame_Reader {
  public:
    std::optional<Packet> feed(std::uint8_t byte);
    long rejected() const { return rejected_; }

  private:
    enum class State { Idle, Id, Body, BodyDle };
    std::optional<Packet> finish();

    State state_ = State::Idle;
    std::uint8_t id_ = 0;
    std::string body_;  // size, data, checksum
    long rejected_ = 0;
};

}  // namespace kelvaron_bench
