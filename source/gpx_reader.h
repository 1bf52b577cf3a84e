// Reads the tracks of a GPX 1.0 or 1.1 file through a streaming XML reader and hands each
// track point to the sink: every point of every segment of every track, each segment's
// first point marked. Waypoints, routes, metadata and extensions are passed over. The
// first fault throws ReadError naming the file, line and column.
#pragma once

#include <QIODevice>
#include <QString>
#include <QXmlStreamReader>

#include "source/track_sink.h"

namespace source {

class GpxReader {
  public:
    // `name` is how messages call the file.
    GpxReader(QIODevice& in, QString name, TrackSink& sink);

    void run();

  private:
    void readTrack();
    void readSegment();
    void readPoint(bool newSegment);
    void readPointChild();
    // Inside elements of the GPX namespace only; anything else is skipped whole.
    bool isGpx() const { return xml_.namespaceUri() == gpxNamespace_; }
    bool nextChild();
    [[noreturn]] void fail(const QString& why) const;
    void failOnXmlError() const;

    QXmlStreamReader xml_;
    QIODevice& in_;
    QString name_;
    TrackSink& sink_;
    QString gpxNamespace_;
    SourcePoint point_;
};

}  // namespace source
