// Fault decisions.
#include "tools/sim/fault_plan.h"

#include "tools/sim/split_mix.h"

namespace ksim {

const char* faultName(Fault f) {
    switch (f) {
        case Fault::None:
            return "none";
        case Fault::Corrupt:
            return "corrupted";
        case Fault::Drop:
            return "dropped";
        case Fault::DropAck:
            return "ack will be ignored";
        case Fault::Duplicate:
            return "duplicated";
        case Fault::Noise:
            return "noise in front";
    }
    return "?";
}

std::uint64_t FaultPlan::hash(long index, int attempt, std::uint64_t salt) const {
    return SplitMix::mix(s_.seed ^ (static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull) ^
                         (static_cast<std::uint64_t>(attempt) << 48) ^ salt);
}

Fault FaultPlan::decide(long index, int attempt) const {
    if (attempt == 0) {
        if (s_.corrupt && *s_.corrupt == index) return Fault::Corrupt;
        if (s_.drop && *s_.drop == index) return Fault::Drop;
        if (s_.dropAck && *s_.dropAck == index) return Fault::DropAck;
    }
    if (s_.rate <= 0 || attempt >= kRandomFaultAttempts) return Fault::None;
    const double u = static_cast<double>(hash(index, attempt, 1) >> 11) * 0x1.0p-53;
    if (u >= s_.rate) return Fault::None;
    static constexpr Fault kinds[] = {Fault::Corrupt, Fault::Drop, Fault::DropAck, Fault::Duplicate,
                                      Fault::Noise};
    return kinds[hash(index, attempt, 2) % 5];
}

std::uint64_t FaultPlan::detail(long index, int attempt) const {
    return hash(index, attempt, 3);
}

}  // namespace ksim
