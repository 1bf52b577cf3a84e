// Reads the track points of a file of any origin: GPX, FIT, or a temporary point file that
// a download kept. The kind is told by the file's first bytes, not its name.
#pragma once

#include <QString>

#include "source/track_sink.h"

namespace source {

enum class TrackFileKind { Gpx, Fit, PointFile };

class TrackFileReader {
  public:
    // Opens `path`; throws ReadError when it cannot be opened or is none of the three.
    explicit TrackFileReader(QString path);

    TrackFileKind kind() const { return kind_; }
    // Hands every point to `sink`; throws ReadError at the first fault.
    void read(TrackSink& sink) const;

  private:
    void readGpx(TrackSink& sink) const;
    void readFit(TrackSink& sink) const;
    void readPointFile(TrackSink& sink) const;

    QString path_;
    TrackFileKind kind_ = TrackFileKind::Gpx;
};

}  // namespace source
