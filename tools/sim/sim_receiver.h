// What every simulated receiver offers the event loop.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "tools/sim/serial_line.h"

namespace ksim {

class SimReceiver {
  public:
    enum class Status { Serving, Done, GaveUp };

    virtual ~SimReceiver() = default;
    // Bytes from the host, once the line has delivered them.
    virtual void onInput(std::span<const std::uint8_t> bytes, TimePoint now) = 0;
    // Called on every turn of the loop, after the line has written what was due.
    virtual void onTime(TimePoint now) = 0;
    // When onTime must run next; nothing means only input can wake the receiver.
    virtual std::optional<TimePoint> nextDeadline() const = 0;
    virtual Status status() const = 0;
    // Why the receiver gave up, for stderr.
    virtual std::string failure() const { return {}; }
    // What a receiver stopped by a signal has to say on stderr: a Garmin receiver left at
    // another speed than it started at.
    virtual std::string onStop() const { return {}; }
};

}  // namespace ksim
