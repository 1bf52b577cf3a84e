// Reads the track points of a file of any origin: GPX, FIT, or a temporary point file that
// a download kept. The kind is told by the file's first bytes, not its name. The file can
// be read in steps, so that whoever reads a long one can do other work between them.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "source/track_sink.h"

namespace source {

enum class TrackFileKind { Gpx, Fit, PointFile };

class TrackFileReader {
  public:
    // Opens `path` for reading into `sink`; throws ReadError when it cannot be opened or
    // is none of the three.
    TrackFileReader(QString path, TrackSink& sink);
    ~TrackFileReader();

    TrackFileKind kind() const { return kind_; }
    // Hands every point to the sink; throws ReadError at the first fault.
    void read();
    // Hands at most `points` more points to the sink; false once the whole file has been
    // read. Throws ReadError at the first fault.
    bool readSome(std::int64_t points);

    // One kind's reader over the open file.
    class Steps;

  private:
    TrackFileKind kind_ = TrackFileKind::Gpx;
    std::unique_ptr<Steps> steps_;
};

}  // namespace source
