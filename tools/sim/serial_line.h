// The serial line between receiver and host, emulated on the pseudo-terminal master: bytes
// leave no faster than a real line of the chosen speed would carry them (speed / 10 bytes a
// second, 8N1) and the host's bytes are taken as arrived only once a real line would have
// delivered them. Each queued item is logged when its last byte has gone out.
//
// The line has a rate in force, which a receiver that changes its speed moves. When the host's
// speed can be seen (on a pseudo-terminal both ends share the port's settings), bytes the host
// sent at another speed arrive as garbage, and bytes sent while the host listens at another
// speed reach it as garbage, as on a real line.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "tools/sim/frame_log.h"
#include "tools/sim/garmin_wire.h"

namespace ksim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Duration = Clock::duration;

class SerialLine {
  public:
    // `bitsPerSecond` 0 means unpaced: as fast as the pseudo-terminal takes the bytes.
    SerialLine(int fd, int bitsPerSecond, FrameLog& log);

    // The rate in force, in bit/s (0: unpaced). Bytes not yet on the line go at the new rate.
    int speed() const { return speed_; }
    void setSpeed(int bitsPerSecond);
    // Where to read the speed the host has set its end to; nothing (the default) trusts the host
    // to talk at the rate in force.
    void watchHostSpeed(std::function<int()> hostSpeed) { hostSpeed_ = std::move(hostSpeed); }

    void send(Bytes bytes, std::string note = {});
    // Holds the line idle for `d` after everything queued before it.
    void pause(Duration d);
    bool outputIdle() const { return queue_.empty(); }

    // Event-loop side.
    bool wantsWritable() const { return blocked_ && !queue_.empty(); }
    std::optional<TimePoint> nextDeadline() const;
    void pumpOutput(TimePoint now);
    void onWritable(TimePoint now);
    // Reads what the host wrote; returns an error text on a failure of the device.
    std::string readInput(TimePoint now);
    Bytes takeArrived(TimePoint now);
    // When the bytes handed out by the last takeArrived() came off the modelled line. A reply
    // the receiver queues while handling them starts on the line at that moment, as it would
    // on a receiver that answers at once, however late this process got round to them.
    TimePoint lastArrival() const { return lastArrival_; }
    void setReplyBase(std::optional<TimePoint> base) { replyBase_ = base; }

  private:
    struct Item {
        Bytes bytes;
        std::string note;
        std::size_t pos = 0;
        std::optional<Duration> pause;
    };
    struct Arrival {
        TimePoint at;
        Bytes bytes;
    };

    Duration timeFor(std::size_t bytes) const;
    // True when the host's end is set to another speed than the rate in force.
    bool speedsDiffer() const;

    int fd_;
    int speed_ = 0;
    std::function<int()> hostSpeed_;
    Duration byteTime_{};
    std::size_t chunk_;
    FrameLog& log_;
    std::deque<Item> queue_;
    std::deque<Arrival> arriving_;
    TimePoint lineFree_{};  // when the last byte written has been fully sent
    TimePoint inputFree_{};
    TimePoint lastArrival_{};
    std::optional<TimePoint> replyBase_;
    bool blocked_ = false;
};

}  // namespace ksim
