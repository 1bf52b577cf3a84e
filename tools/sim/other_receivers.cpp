// Silent and NMEA receivers.
#include "tools/sim/other_receivers.h"

#include <ctime>

#include "tools/sim/nmea_text.h"
#include "tools/sim/receiver_time.h"

namespace ksim {

void SilentReceiver::on_input(std::span<const std::uint8_t> bytes, TimePoint) {
    log_.host(bytes, "ignored");
}

NmeaTalker::NmeaTalker(const Track& track, SerialLine& line, FrameLog& log)
    : line_(line), log_(log) {
    for (const TrackRecord& r : track.records)
        if (!r.is_header) points_.push_back(r.point);
    if (points_.empty()) points_.push_back({31.7683, 35.2137, 0, false, 754});
}

void NmeaTalker::on_input(std::span<const std::uint8_t> bytes, TimePoint) {
    log_.host(bytes, "ignored (NMEA mode)");
}

void NmeaTalker::on_time(TimePoint now) {
    if (now < next_) return;
    next_ = (next_ == TimePoint{} ? now : next_) + std::chrono::seconds(1);
    const std::int64_t unix_now = std::time(nullptr);
    const auto seconds = static_cast<std::uint32_t>(unix_now - 631065600);  // since 1989-12-31
    // While nobody reads the port the pseudo-terminal fills up; a real receiver's sentences
    // would be lost then, so skip this second's rather than pile them up for a later host.
    if (!line_.output_idle()) return;
    const TrackPoint& p = points_[index_++ % points_.size()];
    for (const std::string& s : {gprmc_sentence(p, seconds), gpgga_sentence(p, seconds)})
        line_.send(Bytes(s.begin(), s.end()), s.substr(0, s.size() - 2));
}

}  // namespace ksim
