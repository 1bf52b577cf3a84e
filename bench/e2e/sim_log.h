// Reading kelvaron-sim's frame log (--log) for the line-rate bound of a track transfer:
// every frame both ways with the time it went out or came in, as wire bytes (doubled
// 16s included).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kelvaron_bench {

struct TransferSpan {
    // From the first byte of the host's track request going out to its acknowledgement
    // of transfer complete having arrived, on the simulator's clock.
    double seconds = 0;
    // Wire bytes of every frame in that time, both ways.
    long bytes = 0;
    long receiverFrames = 0;  // records, headers, points, transfer complete, its ACKs
    long hostFrames = 0;      // the track request and the acknowledgements
    long resends = 0;         // frames the receiver had to send again
    // Per exchange, in seconds, beyond the line time. Host side: from a receiver frame's
    // last byte leaving to the simulator taking in the host's acknowledgement (the host's
    // turnaround, the pseudo-terminal both ways and the simulator's wake-ups). Receiver
    // side: from that acknowledgement to the last byte of the next frame leaving.
    std::vector<double> hostSide;
    std::vector<double> receiverSide;
};

// The transfer in the log at `path` of a receiver on a line of `speed` bit/s; nothing when
// the log holds no complete track transfer, with the reason in `why`.
std::optional<TransferSpan> readTransferSpan(const std::string& path, int speed, std::string& why);

}  // namespace kelvaron_bench
