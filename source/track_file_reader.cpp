#include "source/track_file_reader.h"

#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <limits>

#include "source/fit_decoder.h"
#include "source/gpx_reader.h"
#include "source/read_error.h"
#include "source/track_input.h"
#include "trackfile/point_file.h"

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

TrackFileKind kindOf(const QByteArray& head, const QString& name) {
    if (head.isEmpty()) fail(QStringLiteral("%1 is empty.").arg(name));
    if (isFit(head)) return TrackFileKind::Fit;
    if (isXml(head)) return TrackFileKind::Gpx;
    if (isPointFile(head)) return TrackFileKind::PointFile;
    fail(QStringLiteral("%1 is neither a GPX nor a FIT file.").arg(name));
}

// The readers take the open input through a device of their own over its descriptor,
// which stays the input's.
void openOn(QFile& file, int descriptor, const QString& name) {
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        fail(QStringLiteral("%1 could not be read: %2.").arg(name, file.errorString()));
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
    GpxSteps(int descriptor, const QString& name, TrackSink& sink) : reader_(file_, name, sink) {
        openOn(file_, descriptor, name);
    }
    bool readSome(std::int64_t points) override { return reader_.runSome(points); }

  private:
    QFile file_;
    GpxReader reader_;
};

class FitSteps final : public TrackFileReader::Steps {
  public:
    FitSteps(int descriptor, const QString& name, TrackSink& sink)
        : decoder_(file_, name.toStdString(), sink) {
        openOn(file_, descriptor, name);
    }
    bool readSome(std::int64_t points) override { return decoder_.runSome(points); }

  private:
    QFile file_;
    FitDecoder decoder_;
};

// A kept point file holds no segments or tracks: its points are one segment. The download
// that kept it may have been killed in the middle of a line: the lines before are read.
class PointFileSteps final : public TrackFileReader::Steps {
  public:
    PointFileSteps(int descriptor, const QString& name, TrackSink& sink)
        : reader_(opened(descriptor, name)), sink_(sink) {
        reader_.passOverCutLastLine();
        point_.newSegment = true;
    }
    bool readSome(std::int64_t points) override {
        try {
            for (; points > 0; --points) {
                if (!reader_.next(record_)) {
                    if (reader_.lastLineCut())
                        sink_.warning(reader_.path() + ", line " +
                                      std::to_string(reader_.lineNumber()) +
                                      ": the last line is cut short; the lines before it were "
                                      "read.");
                    return false;
                }
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
    static trackfile::PointFileReader opened(int descriptor, const QString& name) {
        const int own = ::dup(descriptor);
        trackfile::FileHandle file(own < 0 ? nullptr : ::fdopen(own, "rb"));
        if (!file) {
            const int error = errno;
            if (own >= 0) ::close(own);
            fail(QStringLiteral("%1 could not be read: %2.")
                     .arg(name, QString::fromLocal8Bit(std::strerror(error))));
        }
        return trackfile::PointFileReader(std::move(file), name.toStdString());
    }

    trackfile::PointFileReader reader_;
    TrackSink& sink_;
    trackfile::PointRecord record_;
    seams::Point point_;
};

}  // namespace

TrackFileReader::TrackFileReader(const QString& path, TrackSink& sink)
    : sink_(sink), input_(std::make_unique<TrackInput>(path)) {}

TrackFileReader::~TrackFileReader() = default;

const QString& TrackFileReader::name() const {
    return input_->name();
}

void TrackFileReader::read() {
    for (;;) {
        const Step step = readSome(std::numeric_limits<std::int64_t>::max());
        if (step == Step::Done) return;
        if (step == Step::Waiting) input_->waitForBytes();
    }
}

// A pipe is gathered whole before its reader starts; its kind is told, and a file of none
// refused, as soon as its first bytes have come.
TrackFileReader::Step TrackFileReader::readSome(std::int64_t points) {
    if (!steps_) {
        const TrackInput::Gathered gathered = input_->gather();
        if (!kind_ && input_->headKnown()) kind_ = kindOf(input_->head(), name());
        if (gathered == TrackInput::Gathered::Nothing) return Step::Waiting;
        if (gathered == TrackInput::Gathered::Some) return Step::More;
        const int descriptor = input_->descriptor();
        switch (*kind_) {
            case TrackFileKind::Gpx:
                steps_ = std::make_unique<GpxSteps>(descriptor, name(), sink_);
                break;
            case TrackFileKind::Fit:
                steps_ = std::make_unique<FitSteps>(descriptor, name(), sink_);
                break;
            case TrackFileKind::PointFile:
                steps_ = std::make_unique<PointFileSteps>(descriptor, name(), sink_);
                break;
        }
    }
    return steps_->readSome(points) ? Step::More : Step::Done;
}

}  // namespace source
