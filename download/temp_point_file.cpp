#include "download/temp_point_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "trackfile/point_file.h"

namespace app {

namespace {

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

void TempPointFile::restart() {
    FileNumber.reset();
    hasFailed_ = false;
    segmentStarts_.clear();
    trackStarts_.clear();
    dropElevations();
    pointsInFile_ = 0;
    trackPending_ = trackName_.has_value();
}

void TempPointFile::cannotStart(const QString& reason) {
    restart();
    TempFileName.clear();
    fail(WriterFailure::Kind::CannotStart, reason, false);
}

bool TempPointFile::open(const QString& name, bool withElevations) {
    restart();
    TempFileName = name;
    FileNumber.reset(std::fopen(pathBytes(TempFileName).c_str(), "wb"));
    if (!FileNumber) {
        fail(WriterFailure::Kind::CannotOpen, systemError(), false);
        return false;
    }
    if (withElevations) startElevations();
    return true;
}

void TempPointFile::startElevations() {
    // Beside the point file, which was made new in the private temporary folder; a link
    // planted at the name is refused, not followed.
    elevationsFileName_ = TempFileName + QStringLiteral(".ele");
    const int fd = ::open(pathBytes(elevationsFileName_).c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) elevations_.reset(::fdopen(fd, "wb"));
    if (!elevations_) {
        if (fd >= 0) ::close(fd);
        fail(WriterFailure::Kind::CannotOpen, systemError(), false);
        elevationsFileName_.clear();
    }
}

void TempPointFile::dropElevations() {
    elevations_.reset();
    if (!elevationsFileName_.isEmpty()) QFile::remove(std::exchange(elevationsFileName_, {}));
}

void TempPointFile::forgetTrack() {
    segmentPending_ = false;
    trackName_.reset();
}

void TempPointFile::startTrack(const std::string& name) {
    trackName_ = name;
    trackPending_ = true;
}

bool TempPointFile::append(const seams::Point& p, bool keepSegments) {
    const bool newSegment = std::exchange(segmentPending_, false) || p.newSegment;
    if (keepSegments && newSegment) segmentStarts_.push_back(pointsInFile_ + 1);
    // After a failed file, reported then, the points are lost.
    if (!FileNumber) return false;
    std::string line;
    try {
        line = trackfile::formatPointRecord(p.lat, p.lon, p.time);
    } catch (const std::invalid_argument& e) {
        fail(WriterFailure::Kind::PointNotStored, QString::fromLocal8Bit(e.what()), true);
        return false;
    }
    // Each point goes to the file as it is stored, so a crash or a kill loses at most
    // the point being written; no sync to the disk, a killed process does not need one.
    if (std::fwrite(line.data(), 1, line.size(), FileNumber.get()) != line.size() ||
        (writeThrough_ && std::fflush(FileNumber.get()) != 0)) {
        fail(WriterFailure::Kind::CannotWrite, systemError(), true);
        return false;
    }
    ++pointsInFile_;
    if (trackPending_ && trackName_) trackStarts_.push_back({pointsInFile_, *trackName_});
    trackPending_ = false;
    if (elevations_ && std::fwrite(&p.elevation, sizeof p.elevation, 1, elevations_.get()) != 1)
        fail(WriterFailure::Kind::CannotWrite, systemError(), true);
    return true;
}

bool TempPointFile::close() {
    if (!FileNumber) return false;
    // A full disk shows itself when the last buffer is written out.
    const bool ok = std::fclose(FileNumber.release()) == 0;
    if (!ok) fail(WriterFailure::Kind::CannotWrite, systemError(), true);
    return ok && !hasFailed_;
}

PointFileParts TempPointFile::parts(const QString& output) {
    QString elevations;
    if (elevations_) {
        // A failed write leaves the elevations short; the points past their end get none.
        std::fclose(elevations_.release());
        elevations = std::exchange(elevationsFileName_, {});
    }
    return {TempFileName, output, segmentStarts_, trackStarts_, elevations};
}

void TempPointFile::discard() {
    FileNumber.reset();
    QFile::remove(TempFileName);
    dropElevations();
}

void TempPointFile::drop() {
    FileNumber.reset();
    dropElevations();
}

void TempPointFile::flush() {
    if (FileNumber) std::fflush(FileNumber.get());
}

bool TempPointFile::emptyOnDisk() const {
    return QFileInfo(TempFileName).size() == 0;
}

void TempPointFile::fail(WriterFailure::Kind kind, const QString& reason, bool pointsKept) {
    if (hasFailed_) return;
    hasFailed_ = true;
    failed_({kind, TempFileName, reason, pointsKept, {}});
}

}  // namespace app
