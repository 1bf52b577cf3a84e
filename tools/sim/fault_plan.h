// Which fault the simulator injects into which transmission of a track packet. Decisions
// depend only on the options, the packet's index in the transfer and the attempt number, so a
// run with the same seed injects the same faults however the host's timing falls.
#pragma once

#include <cstdint>
#include <optional>

namespace ksim {

enum class Fault {
    None,
    Corrupt,    // one data or checksum byte changed, framing intact: the host must refuse it
    Drop,       // not sent at all: the host sees nothing and the simulator times out
    DropAck,    // sent, but the host's acknowledgement is ignored: it arrives again as a resend
    Duplicate,  // sent twice in a row
    Noise,      // line noise in front of the frame
};

const char* faultName(Fault f);

struct FaultSettings {
    std::optional<long> corrupt;
    std::optional<long> drop;
    std::optional<long> dropAck;
    double rate = 0;
    std::uint64_t seed = 1;
};

class FaultPlan {
  public:
    explicit FaultPlan(FaultSettings s) : s_(s) {}

    // `index`: 0-based position in the track transfer; `attempt`: 0 for the first transmission.
    Fault decide(long index, int attempt) const;
    // A deterministic value for the details of a fault (which byte, how much noise).
    std::uint64_t detail(long index, int attempt) const;

  private:
    std::uint64_t hash(long index, int attempt, std::uint64_t salt) const;

    FaultSettings s_;
};

// A random fault touches only the first two transmissions of a packet, so every packet gets
// through after at most two extra attempts and a random run never gives up by chance.
inline constexpr int kRandomFaultAttempts = 2;

}  // namespace ksim
