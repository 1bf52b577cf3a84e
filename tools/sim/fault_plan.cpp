// Fault decisions.
#include "tools/sim/fault_plan.h"

namespace ksim {

const char* fault_name(Fault f) {
    switch (f) {
        case Fault::none:
            return "none";
        case Fault::corrupt:
            return "corrupted";
        case Fault::drop:
            return "dropped";
        case Fault::drop_ack:
            return "ack will be ignored";
        case Fault::duplicate:
            return "duplicated";
        case Fault::noise:
            return "noise in front";
    }
    return "?";
}

std::uint64_t FaultPlan::hash(long index, int attempt, std::uint64_t salt) const {
    std::uint64_t z = s_.seed ^ (static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull) ^
                      (static_cast<std::uint64_t>(attempt) << 48) ^ salt;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

Fault FaultPlan::decide(long index, int attempt) const {
    if (attempt == 0) {
        if (s_.corrupt && *s_.corrupt == index) return Fault::corrupt;
        if (s_.drop && *s_.drop == index) return Fault::drop;
        if (s_.drop_ack && *s_.drop_ack == index) return Fault::drop_ack;
    }
    if (s_.rate <= 0 || attempt >= kRandomFaultAttempts) return Fault::none;
    const double u = static_cast<double>(hash(index, attempt, 1) >> 11) * 0x1.0p-53;
    if (u >= s_.rate) return Fault::none;
    static constexpr Fault kinds[] = {Fault::corrupt, Fault::drop, Fault::drop_ack,
                                      Fault::duplicate, Fault::noise};
    return kinds[hash(index, attempt, 2) % 5];
}

std::uint64_t FaultPlan::detail(long index, int attempt) const {
    return hash(index, attempt, 3);
}

}  // namespace ksim
