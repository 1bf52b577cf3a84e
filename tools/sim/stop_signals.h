// SIGTERM, SIGINT and SIGHUP as a stop request the event loop can wait on.
#pragma once

namespace ksim {

// Turns SIGTERM, SIGINT and SIGHUP into a stop request that wakes the loop, so the link is
// removed and the process exits cleanly.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    int fd() const { return readFd_; }

  private:
    int readFd_ = -1;
    int writeFd_ = -1;
};

}  // namespace ksim
