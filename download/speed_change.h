// Moving a Garmin receiver and the port to another speed, the maker's exchange: requests
// turned off (0x1C), the speed asked for (0x30) and its answer (0x31) awaited, the host's
// acknowledgement left to go out before the port moves, and two pings at the new speed.
// Every way it can fail leaves the port at a speed the receiver talks at, so the change
// never costs the download.
#pragma once

#include <functional>

#include "download/download_services.h"
#include "download/frame_trace.h"
#include "garmin/host.h"

namespace garmin {
class cGarminGPS;
}

namespace app {

// The speeds a receiver can be asked for, in bit/s.
inline constexpr int kStandardSpeeds[] = {9600, 19200, 38400, 57600, 115200};

class SpeedChange {
  public:
    SpeedChange(garmin::cGarminGPS& gps, CommPort& comm, DeadlineTimer& deadline, FrameTrace& trace)
        : gps_(gps), comm_(comm), deadline_(deadline), trace_(trace) {}

    // The port is at `speed` and no change is under way (what was to follow one is
    // forgotten). Returns what was to follow, for an end that must still happen.
    std::function<void()> reset(int speed);
    int speed() const { return speed_; }
    bool running() const { return step_ != Step::None; }

    // Moves the receiver and the port to `target`; `done` follows however that ended.
    void start(int target, std::function<void()> done);
    void onPacket(const garmin::PacketEvent& packet);
    void onDeadline();
    // Gives up the change under way, and what was to follow it.
    void abandon();

  private:
    enum class Step { None, TurningOff, Asking, Settling, Pinging };

    void answered(std::uint32_t rate);
    void over();
    void movePort(int speed);

    garmin::cGarminGPS& gps_;
    CommPort& comm_;
    DeadlineTimer& deadline_;
    FrameTrace& trace_;
    // Where the port is now, in bit/s.
    int speed_ = 0;
    // The change under way: its step, the speed asked for, the speed the port had before
    // it and the one the receiver accepted, the pings acknowledged, and what follows.
    Step step_ = Step::None;
    int target_ = 0;
    int from_ = 0;
    int accepted_ = 0;
    int pingsAnswered_ = 0;
    std::function<void()> done_;
};

}  // namespace app
