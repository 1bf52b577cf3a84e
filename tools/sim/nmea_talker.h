// A receiver whose interface is set to NMEA output instead of the Garmin protocol.
#pragma once

#include <vector>

#include "tools/sim/frame_log.h"
#include "tools/sim/sim_receiver.h"
#include "tools/sim/track.h"

namespace ksim {

// Sends a $GPRMC and a $GPGGA sentence once a second, walking along the track, and ignores
// whatever the host sends, as a receiver in NMEA mode does.
class NmeaTalker : public SimReceiver {
  public:
    NmeaTalker(const Track& track, SerialLine& line, FrameLog& log);
    void onInput(std::span<const std::uint8_t> bytes, TimePoint now) override;
    void onTime(TimePoint now) override;
    std::optional<TimePoint> nextDeadline() const override { return next_; }
    Status status() const override { return Status::Serving; }

  private:
    std::vector<TrackPoint> points_;
    SerialLine& line_;
    FrameLog& log_;
    std::size_t index_ = 0;
    TimePoint next_{};
};

}  // namespace ksim
