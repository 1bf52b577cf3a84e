// A Magellan receiver: on "$PMGNCMD,TRACK*3D" it sends its track log as $PMGNTRK sentences
// and ends with "$PMGNCMD,END*3D".
#pragma once

#include <string>

#include "tools/sim/frame_log.h"
#include "tools/sim/sim_receiver.h"
#include "tools/sim/track.h"

namespace ksim {

struct MagellanSettings {
    bool splitEnd = false;
    bool noEnd = false;  // a receiver that stops after its points without the end sentence
    bool malformed = false;
    double noiseRate = 0;
    std::uint64_t seed = 1;
    bool once = false;
};

// The reply to one track command, as the lines the receiver writes (each with its CR LF).
// A split end sentence comes as two entries; the pause goes between them.
std::vector<std::string> magellanReply(const Track& track, const MagellanSettings& s);

inline constexpr auto kSplitEndPause = std::chrono::milliseconds(300);

class MagellanReceiver : public SimReceiver {
  public:
    MagellanReceiver(MagellanSettings settings, const Track& track, SerialLine& line,
                     FrameLog& log);

    void onInput(std::span<const std::uint8_t> bytes, TimePoint now) override;
    void onTime(TimePoint now) override;
    std::optional<TimePoint> nextDeadline() const override { return std::nullopt; }
    Status status() const override { return status_; }

  private:
    void logHostLines(std::span<const std::uint8_t> bytes);
    void startReply();

    MagellanSettings s_;
    const Track& track_;
    SerialLine& line_;
    FrameLog& log_;
    std::string commands_;  // recent input, searched for the track command
    std::string logLine_;
    bool sending_ = false;
    Status status_ = Status::Serving;
};

}  // namespace ksim
