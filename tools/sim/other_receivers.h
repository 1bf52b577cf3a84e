// Receivers that do not speak the Garmin protocol: one that is switched off, and one whose
// interface is set to NMEA output.
#pragma once

#include "tools/sim/frame_log.h"
#include "tools/sim/receiver.h"
#include "tools/sim/track.h"

namespace ksim {

// Reads and logs what the host sends and never answers.
class SilentReceiver : public SimReceiver {
  public:
    explicit SilentReceiver(FrameLog& log) : log_(log) {}
    void onInput(std::span<const std::uint8_t> bytes, TimePoint now) override;
    void onTime(TimePoint) override {}
    std::optional<TimePoint> nextDeadline() const override { return std::nullopt; }
    Status status() const override { return Status::Serving; }

  private:
    FrameLog& log_;
};

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
