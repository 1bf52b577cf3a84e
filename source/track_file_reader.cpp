#include "source/track_file_reader.h"

#include <QFile>
#include <fstream>

#include "coords/point_file.h"
#include "source/fit_decoder.h"
#include "source/gpx_reader.h"
#include "source/read_error.h"

namespace source {

namespace {

[[noreturn]] void fail(const QString& text) {
    throw ReadError(text.toStdString());
}

bool isFit(const QByteArray& head) {
    return head.size() >= 12 && head.mid(8, 4) == ".FIT";
}

// A point file's first line starts with a latitude.
bool isPointFile(const QByteArray& head) {
    return !head.isEmpty() && (head[0] == '-' || (head[0] >= '0' && head[0] <= '9'));
}

// XML may start with a byte order mark and white space before its first "<".
bool isXml(const QByteArray& head) {
    QByteArray rest = head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head;
    rest = rest.trimmed();
    return rest.startsWith('<');
}

}  // namespace

TrackFileReader::TrackFileReader(QString path) : path_(std::move(path)) {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 cannot be opened: %2.").arg(path_, file.errorString()));
    const QByteArray head = file.read(256);
    if (isFit(head))
        kind_ = TrackFileKind::Fit;
    else if (isXml(head))
        kind_ = TrackFileKind::Gpx;
    else if (isPointFile(head))
        kind_ = TrackFileKind::PointFile;
    else
        fail(QStringLiteral("%1 is neither a GPX nor a FIT file.").arg(path_));
}

void TrackFileReader::read(TrackSink& sink) const {
    switch (kind_) {
        case TrackFileKind::Gpx:
            return readGpx(sink);
        case TrackFileKind::Fit:
            return readFit(sink);
        case TrackFileKind::PointFile:
            return readPointFile(sink);
    }
}

void TrackFileReader::readGpx(TrackSink& sink) const {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 cannot be opened: %2.").arg(path_, file.errorString()));
    GpxReader(file, path_, sink).run();
}

void TrackFileReader::readFit(TrackSink& sink) const {
    std::ifstream in(QFile::encodeName(path_).toStdString(), std::ios::binary);
    if (!in) fail(QStringLiteral("%1 cannot be opened.").arg(path_));
    FitDecoder(in, path_.toStdString(), sink).run();
}

// A kept point file holds no segments or tracks: its points are one segment.
void TrackFileReader::readPointFile(TrackSink& sink) const {
    try {
        coords::PointFileReader reader(QFile::encodeName(path_).toStdString());
        coords::PointRecord record;
        SourcePoint point;
        point.newSegment = true;
        while (reader.next(record)) {
            point.lat = record.lat;
            point.lon = record.lon;
            point.time.assign(record.text);
            sink.point(point);
            point.newSegment = false;
        }
    } catch (const coords::ConversionError& e) {
        throw ReadError(e.what());
    }
}

}  // namespace source
