// The floor under the host turnaround: the same point frame and acknowledgement through a
// fresh pseudo-terminal, answered by a bare thread that only polls, reads and writes.
// What the window adds is the difference.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvaron_bench {

// Turnarounds in nanoseconds, timed as the benchmark's receiver times them; the bare host
// runs on `hostCpu` and the timing side on `receiverCpu` when they are not negative.
std::vector<std::int64_t> ptyFloor(long exchanges, int hostCpu, int receiverCpu);

}  // namespace kelvaron_bench
