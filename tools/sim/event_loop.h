// The simulator's single-threaded loop: waits on the pseudo-terminal, the line's pacing
// deadlines, the receiver's timers and the stop signals.
#pragma once

#include <string>

#include "tools/sim/pty_port.h"
#include "tools/sim/serial_line.h"
#include "tools/sim/sim_receiver.h"
#include "tools/sim/stop_signals.h"

namespace ksim {

struct LoopOutcome {
    enum class Kind { Stopped, Done, GaveUp, Failed };
    Kind kind = Kind::Stopped;
    std::string message;
};

LoopOutcome runEventLoop(PtyPort& pty, SerialLine& line, SimReceiver& receiver,
                         const StopSignals& signals);

}  // namespace ksim
