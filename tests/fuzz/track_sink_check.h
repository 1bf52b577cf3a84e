// The promises of every track file reader, checked on each track and point it hands over:
// a name in UTF-8, a position on the globe, a time the point file and the GPX writer take,
// and the first point of a file beginning a segment.
#pragma once

#include <QStringDecoder>
#include <cmath>
#include <string>

#include "source/track_sink.h"
#include "tests/fuzz/fuzz_support.h"
#include "trackfile/point_file.h"

namespace kelvaron_fuzz {

class CheckingSink : public source::TrackSink {
  public:
    // Names go on to the GPX writer as they are: every reader hands them over as UTF-8.
    void startTrack(const std::string& name) override {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded =
            utf8(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
        FUZZ_CHECK(!utf8.hasError());
    }
    void point(const seams::Point& p) override {
        FUZZ_CHECK(std::isfinite(p.lat) && std::fabs(p.lat) <= 90.0);
        FUZZ_CHECK(std::isfinite(p.lon) && std::fabs(p.lon) <= 180.0);
        FUZZ_CHECK(p.time == "N/A" || (p.time.size() == 19 && p.time[4] == '/'));
        FUZZ_CHECK(!(std::fabs(p.elevation) >= 1e6) && (p.time == "N/A" || p.time < "2101"));
        FUZZ_CHECK(points_++ > 0 || p.newSegment);
        (void)trackfile::formatPointRecord(p.lat, p.lon, p.time);
    }
    void pointWithoutPosition(bool) override {}
    void pointOutOfRange() override {}
    void warning(const std::string& text) override { FUZZ_CHECK(text.starts_with("fuzz.")); }

  private:
    long points_ = 0;
};

}  // namespace kelvaron_fuzz
