// The promises of every track file reader, checked on each point it hands over: a
// position on the globe, a time the point file and the GPX writer take, and the first
// point of a file beginning a segment.
#pragma once

#include <cmath>
#include <string>

#include "coords/point_file.h"
#include "source/track_sink.h"
#include "tests/fuzz/fuzz_support.h"

namespace kelvaron_fuzz {

class CheckingSink : public source::TrackSink {
  public:
    void startTrack(const std::string&) override {}
    void point(const source::SourcePoint& p) override {
        FUZZ_CHECK(std::isfinite(p.lat) && std::fabs(p.lat) <= 90.0);
        FUZZ_CHECK(std::isfinite(p.lon) && std::fabs(p.lon) <= 180.0);
        FUZZ_CHECK(p.time == "N/A" || (p.time.size() == 19 && p.time[4] == '/'));
        FUZZ_CHECK(points_++ > 0 || p.newSegment);
        (void)coords::formatPointRecord(p.lat, p.lon, p.time);
    }
    void pointWithoutPosition() override {}
    void warning(const std::string& text) override { FUZZ_CHECK(text.starts_with("fuzz.")); }

  private:
    long points_ = 0;
};

}  // namespace kelvaron_fuzz
