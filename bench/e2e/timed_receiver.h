// The receiver side of the turnaround benchmark, on a pseudo-terminal master, meant for a
// thread of its own. It plays an L001 receiver with D301 track points: acknowledges every
// packet of the host, answers the product request with product data and a capability
// report, and on the track request sends the records packet, the points one at a time and
// transfer complete. For each point it takes the time right after the write of the
// frame's last byte and again right when the host's whole acknowledgement has been read.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/e2e/thread_sched.h"

namespace kelvaron_bench {

// One point's exchange. The scheduler's figures span a little more than the turnaround:
// from just before the write to just after the acknowledgement was read.
struct PointSample {
    std::int64_t turnaroundNs = 0;
    std::int64_t hostCpuNs = 0;       // the host's thread ran
    std::int64_t hostWaitNs = 0;      // the host's thread was ready but had no CPU
    std::int64_t receiverWaitNs = 0;  // the same for the receiver's thread
};

struct TurnaroundRun {
    std::vector<PointSample> points;  // in order
    long refusals = 0;                // NAKs from the host
    long resends = 0;                 // points sent again after a refusal or silence
    long rejectedFrames = 0;          // host frames with a bad checksum or size
    std::string failure;              // empty when the transfer completed
};

class TimedReceiver {
  public:
    // `spin`: wait for acknowledgements by reading in a tight loop (no poll, no sleep);
    // otherwise by poll(). Waits outside the timed exchanges always poll.
    // `hostTid`: the thread that runs the window.
    TimedReceiver(int masterFd, long points, bool spin, pid_t hostTid);

    // Runs the whole dialogue; returns when transfer complete is acknowledged, on a
    // failure, or when stop() was called.
    TurnaroundRun run();
    void stop() { stop_ = true; }

  private:
    struct Packet {
        std::uint8_t id = 0;
        std::string data;
    };
    // The next packet of the host; the host's own packets (not ACK or NAK) are
    // acknowledged here, and its track request is noted.
    bool nextPacket(Packet& p, std::int64_t limitNs, bool spin);
    // `sentAt` receives the time right after the write of the last byte.
    bool send(const std::string& wire, std::int64_t* sentAt = nullptr);
    // Sends `wire` and waits for its acknowledgement, resending as a receiver does.
    bool exchange(std::uint8_t id, const std::string& wire, bool timed);
    bool awaitTrackRequest();
    std::string pointData(long i) const;

    int fd_;
    long points_;
    bool spin_;
    ThreadSched host_;
    std::atomic<bool> stop_{false};
    std::string stream_;  // the host's bytes not yet cut into frames
    bool trackRequested_ = false;
    TurnaroundRun run_;
    std::int64_t sentAt_ = 0;   // the last byte of the packet being exchanged was written
    std::int64_t readAt_ = 0;   // the last read that returned bytes
    std::int64_t ackedAt_ = 0;  // the read that completed its acknowledgement
};

// CLOCK_MONOTONIC in nanoseconds.
std::int64_t monotonicNs();

}  // namespace kelvaron_bench
