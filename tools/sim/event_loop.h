// The simulator's single-threaded loop: waits on the pseudo-terminal, the line's pacing
// deadlines, the receiver's timers and the stop signals.
#pragma once

#include <string>

#include "tools/sim/pty_port.h"
#include "tools/sim/receiver.h"
#include "tools/sim/serial_line.h"

namespace ksim {

struct LoopOutcome {
    enum class Kind { Stopped, Done, GaveUp, Failed };
    Kind kind = Kind::Stopped;
    std::string message;
};

// Turns SIGTERM, SIGINT and SIGHUP into a stop request that wakes the loop, so the link is
// removed and the process exits cleanly.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    int fd() const { return read_fd_; }

  private:
    int read_fd_ = -1;
    int write_fd_ = -1;
};

LoopOutcome runEventLoop(PtyPort& pty, SerialLine& line, SimReceiver& receiver,
                         const StopSignals& signals);

}  // namespace ksim
