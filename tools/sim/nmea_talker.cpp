// NMEA receiver.
#include "tools/sim/nmea_talker.h"

#include <ctime>

#include "tools/sim/nmea_text.h"
#include "tools/sim/receiver_time.h"

namespace ksim {

NmeaTalker::NmeaTalker(const Track& track, SerialLine& line, FrameLog& log)
    : line_(line), log_(log) {
    for (const TrackRecord& r : track.records)
        if (!r.isHeader && r.point.hasPosition) points_.push_back(r.point);
    if (points_.empty()) points_.push_back({31.7683, 35.2137, 0, false, 754});
}

void NmeaTalker::onInput(std::span<const std::uint8_t> bytes, TimePoint) {
    log_.host(bytes, "ignored (NMEA mode)");
}

void NmeaTalker::onTime(TimePoint now) {
    if (now < next_) return;
    next_ = (next_ == TimePoint{} ? now : next_) + std::chrono::seconds(1);
    const std::int64_t unixNow = std::time(nullptr);
    const auto seconds = static_cast<std::uint32_t>(unixNow - 631065600);  // since 1989-12-31
    // While nobody reads the port the pseudo-terminal fills up; a real receiver's sentences
    // would be lost then, so skip this second's rather than pile them up for a later host.
    if (!line_.outputIdle()) return;
    const TrackPoint& p = points_[index_++ % points_.size()];
    for (const std::string& s : {gprmcSentence(p, seconds), gpggaSentence(p, seconds)})
        line_.send(Bytes(s.begin(), s.end()), s.substr(0, s.size() - 2));
}

}  // namespace ksim
