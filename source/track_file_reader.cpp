#include "source/track_file_reader.h"

#include <QFile>
#include <fstream>
#include <limits>

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

// XML may start with a byte order mark and white space before its first "<"; in UTF-16 it
// starts with its byte order mark, or with "<?" in either byte order.
bool isXml(const QByteArray& head) {
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
        head.startsWith(QByteArray("<\0?\0", 4)) || head.startsWith(QByteArray("\0<\0?", 4)))
        return true;
    QByteArray rest = head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head;
    rest = rest.trimmed();
    return rest.startsWith('<');
}

}  // namespace

class TrackFileReader::Steps {
  public:
    virtual ~Steps() = default;
    virtual bool readSome(std::int64_t points) = 0;
};

namespace {

class GpxSteps final : public TrackFileReader::Steps {
  public:
    GpxSteps(const QString& path, TrackSink& sink) : file_(path), reader_(file_, path, sink) {
        if (!file_.open(QIODevice::ReadOnly))
            fail(QStringLiteral("%1 cannot be opened: %2.").arg(path, file_.errorString()));
    }
    bool readSome(std::int64_t points) override { return reader_.runSome(points); }

  private:
    QFile file_;
    GpxReader reader_;
};

class FitSteps final : public TrackFileReader::Steps {
  public:
    FitSteps(const QString& path, TrackSink& sink)
        : in_(QFile::encodeName(path).toStdString(), std::ios::binary),
          decoder_(in_, path.toStdString(), sink) {
        if (!in_) fail(QStringLiteral("%1 cannot be opened.").arg(path));
    }
    bool readSome(std::int64_t points) override { return decoder_.runSome(points); }

  private:
    std::ifstream in_;
    FitDecoder decoder_;
};

// A kept point file holds no segments or tracks: its points are one segment.
class PointFileSteps final : public TrackFileReader::Steps {
  public:
    PointFileSteps(const QString& path, TrackSink& sink)
        : reader_(opened(QFile::encodeName(path).toStdString())), sink_(sink) {
        point_.newSegment = true;
    }
    bool readSome(std::int64_t points) override {
        try {
            for (; points > 0; --points) {
                if (!reader_.next(record_)) return false;
                point_.lat = record_.lat;
                point_.lon = record_.lon;
                point_.time.assign(record_.text);
                sink_.point(point_);
                point_.newSegment = false;
            }
            return true;
        } catch (const coords::ConversionError& e) {
            throw ReadError(e.what());
        }
    }

  private:
    static coords::PointFileReader opened(const std::string& path) {
        try {
            return coords::PointFileReader(path);
        } catch (const coords::ConversionError& e) {
            throw ReadError(e.what());
        }
    }

    coords::PointFileReader reader_;
    TrackSink& sink_;
    coords::PointRecord record_;
    SourcePoint point_;
};

}  // namespace

TrackFileReader::TrackFileReader(QString path, TrackSink& sink) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("%1 cannot be opened: %2.").arg(path, file.errorString()));
    const QByteArray head = file.read(256);
    if (isFit(head))
        kind_ = TrackFileKind::Fit;
    else if (isXml(head))
        kind_ = TrackFileKind::Gpx;
    else if (isPointFile(head))
        kind_ = TrackFileKind::PointFile;
    else
        fail(QStringLiteral("%1 is neither a GPX nor a FIT file.").arg(path));
    switch (kind_) {
        case TrackFileKind::Gpx:
            steps_ = std::make_unique<GpxSteps>(path, sink);
            break;
        case TrackFileKind::Fit:
            steps_ = std::make_unique<FitSteps>(path, sink);
            break;
        case TrackFileKind::PointFile:
            steps_ = std::make_unique<PointFileSteps>(path, sink);
            break;
    }
}

TrackFileReader::~TrackFileReader() = default;

void TrackFileReader::read() {
    while (readSome(std::numeric_limits<std::int64_t>::max())) {
    }
}

bool TrackFileReader::readSome(std::int64_t points) {
    return steps_->readSome(points);
}

}  // namespace source
