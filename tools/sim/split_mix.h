// The simulator's one source of randomness: SplitMix64. Every random choice it makes (the
// sample tracks, which packets a fault hits, the noise it sends) comes from here, so the same
// seed always gives the same run, whatever the standard library's engines do.
#pragma once

#include <cstdint>

namespace ksim {

class SplitMix {
  public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) {}

    // The generator's output function on its own: a well-spread hash of one value, for
    // choices that must depend only on their inputs and not on how many came before.
    static std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t next() { return mix(state_ += 0x9E3779B97F4A7C15ull); }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  private:
    std::uint64_t state_;
};

}  // namespace ksim
