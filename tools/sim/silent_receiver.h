// A receiver that is switched off (or on the wrong cable): it never answers.
#pragma once

#include "tools/sim/frame_log.h"
#include "tools/sim/sim_receiver.h"

namespace ksim {

// Reads and logs what the host sends and never answers.
class SilentReceiver : public SimReceiver {
  public:
    explicit SilentReceiver(FrameLog& log) : log_(log) {}
    void onInput(std::span<const std::uint8_t> bytes, TimePoint) override {
        log_.host(bytes, "ignored");
    }
    void onTime(TimePoint) override {}
    std::optional<TimePoint> nextDeadline() const override { return std::nullopt; }
    Status status() const override { return Status::Serving; }

  private:
    FrameLog& log_;
};

}  // namespace ksim
