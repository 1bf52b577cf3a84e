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
    // Where in the document the reader is; anything else is passed over whole.
    enum class Level { Gpx, Track, Segment, Point };
    enum class Field { None, Name, Elevation, Time };

    void readRoot();
    void startElement();
    void endElement();
    void startPoint();
    void endField();
    bool isGpx(QLatin1StringView name) const;
    [[noreturn]] void fail(const QString& why) const;
    void failOnXmlError() const;

    QXmlStreamReader xml_;
    QIODevice& in_;
    QString name_;
    TrackSink& sink_;
    QString gpxNamespace_;
    Level level_ = Level::Gpx;
    Field field_ = Field::None;
    int skipDepth_ = 0;  // inside an element passed over, this deep
    QString text_;       // the text of the field being read
    QString trackName_;
    bool trackStarted_ = false;
    bool segmentStart_ = false;  // the next point is a segment's first
    SourcePoint point_;
};

}  // namespace source
