// Reads the tracks of a GPX 1.0 or 1.1 file through a streaming XML scanner and hands each
// track point to the sink: every point of every segment of every track, each segment's
// first point marked. Waypoints, routes, metadata and extensions are passed over. The
// first fault throws ReadError naming the file, line and column.
#pragma once

#include <QIODevice>
#include <QString>
#include <string>

#include "source/track_sink.h"
#include "source/xml_scanner.h"

namespace source {

class GpxReader {
  public:
    // `name` is how messages call the file.
    GpxReader(QIODevice& in, QString name, TrackSink& sink);

    void run();
    // Reads on until `points` more points have gone to the sink, or to the end of the
    // document; false once the end has been read.
    bool runSome(std::int64_t points);

  private:
    // Where in the document the reader is; anything else is passed over whole.
    enum class Level { Gpx, Track, Segment, Point };
    enum class Field { None, Name, Elevation, Time };

    void readRoot();
    bool readTokens();
    void startElement();
    void endElement();
    void startPoint();
    void endField();
    bool isGpx(std::string_view name) const;
    [[noreturn]] void fail(const std::string& why, std::int64_t line, std::int64_t column) const;
    [[noreturn]] void fail(const std::string& why) const;

    XmlScanner xml_;
    QString name_;
    TrackSink& sink_;
    std::string gpxNamespace_;
    Level level_ = Level::Gpx;
    Field field_ = Field::None;
    int skipDepth_ = 0;  // inside an element passed over, this deep
    std::string text_;   // the text of the field being read
    std::string trackName_;
    bool trackStarted_ = false;
    bool segmentStart_ = false;  // the next point is a segment's first
    seams::Point point_;
    bool inRange_ = true;  // the point's elevation and time are in range, as far as read
    bool rootRead_ = false;
    std::int64_t budget_ = 0;  // points still to hand on in this step
};

}  // namespace source
