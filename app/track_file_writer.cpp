#include "app/track_file_writer.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

#include "app/deviation.h"
#include "app/output_name.h"
#include "trackfile/convert.h"
#include "trackfile/gpx_writer.h"
#include "trackfile/point_file.h"

namespace app {

namespace {

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The conversion pass writes one byte; a locale whose separator is not one
// (no such locale is in common use) gets the full stop.
char decimalSeparator() {
    const QString sep = QLocale().decimalPoint();
    if (sep.size() == 1 && sep[0].unicode() > 32 && sep[0].unicode() < 127)
        return static_cast<char>(sep[0].unicode());
    return '.';
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

QString TrackFileWriter::Make_Output_Name(const QString& base) {
    if (!choices_().split) return base;
    if (SplitCount == INT16_MAX) throw std::overflow_error("too many numbered output files");
    ++SplitCount;
    splitBase_ = base;
    return numberedOutputName(base, SplitCount);
}

QString TrackFileWriter::Make_Temp_Name() {
    return tempFiles_.create();
}

bool TrackFileWriter::startDownload() {
    // One download's files start afresh, also after an earlier one was cut short.
    // Each download numbers its files from 1 (the window reads drives and files again).
    FirstSegment = true;
    SplitCount = 0;
    splitBase_.clear();
    written_ = {};
    segmentPending_ = false;
    outsideGrid_ = false;
    anyFileFailed_ = false;
    trackName_.reset();
    pointsStored_ = 0;
    pointsWithoutPosition_ = 0;
    pointsOutOfRange_ = 0;
    const bool opened = setUpPointFile(false);
    firstOutFile_ = OutFileName;
    return opened;
}

bool TrackFileWriter::setUpPointFile(bool atSplit) {
    FileNumber.reset();
    pointFileFailed_ = false;
    segmentStarts_.clear();
    trackStarts_.clear();
    dropElevations();
    pointsInFile_ = 0;
    trackPending_ = trackName_.has_value();
    QString temp;
    QString out;
    try {
        const QString base = choices_().fileName;
        if (atSplit) {
            temp = Make_Temp_Name();
            out = Make_Output_Name(base);
        } else {
            out = Make_Output_Name(base);
            temp = Make_Temp_Name();
        }
    } catch (const std::exception& e) {
        if (!temp.isEmpty()) QFile::remove(temp);
        TempFileName.clear();
        pointFileFailed(WriterFailure::Kind::CannotStart, QString::fromLocal8Bit(e.what()), false);
        return false;
    }
    TempFileName = temp;
    OutFileName = out;
    FileNumber.reset(std::fopen(pathBytes(TempFileName).c_str(), "wb"));
    if (!FileNumber) {
        pointFileFailed(WriterFailure::Kind::CannotOpen, systemError(), false);
        return false;
    }
    if (trackfile::isGpxName(pathBytes(OutFileName))) startElevations();
    return true;
}

void TrackFileWriter::startElevations() {
    // Beside the point file, which was made new in the private temporary folder; a link
    // planted at the name is refused, not followed.
    elevationsFileName_ = TempFileName + QStringLiteral(".ele");
    const int fd = ::open(pathBytes(elevationsFileName_).c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) elevations_.reset(::fdopen(fd, "wb"));
    if (!elevations_) {
        if (fd >= 0) ::close(fd);
        pointFileFailed(WriterFailure::Kind::CannotOpen, systemError(), false);
        elevationsFileName_.clear();
    }
}

void TrackFileWriter::dropElevations() {
    elevations_.reset();
    if (!elevationsFileName_.isEmpty()) QFile::remove(std::exchange(elevationsFileName_, {}));
}

bool TrackFileWriter::closePointFile() {
    if (!FileNumber) return false;
    // A full disk shows itself when the last buffer is written out.
    const bool ok = std::fclose(FileNumber.release()) == 0;
    if (!ok) pointFileFailed(WriterFailure::Kind::CannotWrite, systemError(), true);
    return ok && !pointFileFailed_;
}

bool TrackFileWriter::closeCutShort() {
    const bool nothingStored =
        FileNumber && OutFileName == firstOutFile_ && QFileInfo(TempFileName).size() == 0;
    const bool closed = closePointFile();
    if (closed && nothingStored) QFile::remove(TempFileName);
    dropElevations();  // only a GPX output made from the point file needs them
    return closed;
}

void TrackFileWriter::discardEmpty() {
    FileNumber.reset();
    QFile::remove(TempFileName);
    dropElevations();
}

// The receiver's bytes are one character each.
void TrackFileWriter::startTrack(const std::string& name) {
    startTrackUtf8(
        QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())).toStdString());
}

void TrackFileWriter::startTrackUtf8(const std::string& name) {
    trackName_ = name;
    trackPending_ = true;
}

void TrackFileWriter::Write_Track_Point(const garmin::cTrack& t, float elevation) {
    if (!t.hasPosition()) {
        ++pointsWithoutPosition_;
        segmentPending_ = segmentPending_ || t.New_Segment;
        return;
    }
    const bool newSegment = std::exchange(segmentPending_, false) || t.New_Segment;
    const bool split = choices_().split;
    if (!split && newSegment) segmentStarts_.push_back(pointsInFile_ + 1);
    if (split && newSegment) {
        if (FirstSegment) {
            // The first file was opened before any point arrived: the first segment
            // start of a download belongs to it.
            FirstSegment = false;
        } else {
            if (closePointFile()) {
                if (splitFilesWait_)
                    keepWaiting();
                else
                    Finish_Output_File();
            }
            setUpPointFile(true);
        }
    }
    appendPoint(t, elevation);
}

void TrackFileWriter::appendPoint(const garmin::cTrack& t, float elevation) {
    // After a failed file, reported then, the points are counted but lost.
    if (!FileNumber) return;
    std::string line;
    try {
        line = trackfile::formatPointRecord(t.lat, t.lon, t.Time);
    } catch (const std::invalid_argument& e) {
        pointFileFailed(WriterFailure::Kind::PointNotStored, QString::fromLocal8Bit(e.what()),
                        true);
        return;
    }
    // Each point goes to the file as it is stored, so a crash or a kill loses at most
    // the point being written; no sync to the disk, a killed process does not need one.
    if (std::fwrite(line.data(), 1, line.size(), FileNumber.get()) != line.size() ||
        (writeThrough_ && std::fflush(FileNumber.get()) != 0))
        pointFileFailed(WriterFailure::Kind::CannotWrite, systemError(), true);
    else
        notePointStored(elevation);
}

// Names are kept in the form GPX writes them (UTF-8).
void TrackFileWriter::notePointStored(float elevation) {
    ++pointsInFile_;
    ++pointsStored_;
    if (trackPending_ && trackName_) trackStarts_.push_back({pointsInFile_, *trackName_});
    trackPending_ = false;
    if (elevations_ && std::fwrite(&elevation, sizeof elevation, 1, elevations_.get()) != 1)
        pointFileFailed(WriterFailure::Kind::CannotWrite, systemError(), true);
}

void TrackFileWriter::pointFileFailed(WriterFailure::Kind kind, const QString& reason,
                                      bool pointsKept) {
    if (pointFileFailed_) return;
    pointFileFailed_ = true;
    anyFileFailed_ = true;
    failed_({kind, TempFileName, reason, pointsKept, {}});
}

KeptPoints TrackFileWriter::keptPoints() {
    if (!FileNumber || TempFileName.isEmpty()) return {KeptPoints::Where::LostAfterFailure, {}};
    std::fflush(FileNumber.get());
    const bool earlierFiles = OutFileName != firstOutFile_;
    if (!earlierFiles && QFileInfo(TempFileName).size() == 0)
        return {KeptPoints::Where::NoneYet, {}};
    return {earlierFiles ? KeptPoints::Where::SinceLastFile : KeptPoints::Where::SoFar,
            TempFileName, written(), pointsStored_};
}

WrittenFiles TrackFileWriter::written() const {
    WrittenFiles w = written_;
    if (!splitBase_.isEmpty()) {
        w.base = splitBase_;
        w.alreadyThere = numberedFilesAfter(splitBase_, SplitCount);
    }
    return w;
}

QString TrackFileWriter::newTempFile() {
    TempFileName = Make_Temp_Name();
    return TempFileName;
}

bool TrackFileWriter::Finish_Output_File() {
    // Written out before the pass reads them; a write that failed now leaves the
    // elevations short, and the points past the end get none.
    if (elevations_) std::fflush(elevations_.get());
    const bool made = finishFile({TempFileName, OutFileName, segmentStarts_, trackStarts_,
                                  elevations_ ? elevationsFileName_ : QString()});
    dropElevations();
    return made;
}

bool TrackFileWriter::finishFile(const PointFileParts& parts) {
    const FileChoices choices = choices_();
    const auto deviation = deviationForPass(readNumberText(choices.deviation.toStdString()));
    const std::string elevationsFile =
        parts.elevationsFile.isEmpty() ? std::string() : pathBytes(parts.elevationsFile);
    // Whatever comes of the pass, only the point file can be wanted afterwards, and that
    // only when it is the one copy of the points.
    const auto failed = [&](WriterFailure::Kind kind, const QString& reason) {
        if (!parts.elevationsFile.isEmpty()) QFile::remove(parts.elevationsFile);
        if (!keepPointsOnFailure_) QFile::remove(parts.pointFile);
        anyFileFailed_ = true;
        failed_({kind, parts.pointFile, reason, keepPointsOnFailure_, parts.output});
        return false;
    };
    if (!deviation) return failed(WriterFailure::Kind::BadDeviation, choices.deviation);
    trackfile::ConvertCounts counts;
    try {
        counts = trackfile::Convert_Track_File(
            pathBytes(parts.pointFile), pathBytes(parts.output),
            {choices.system, choices.reduce, *deviation, decimalSeparator(), parts.segmentStarts,
             parts.trackStarts, elevationsFile});
    } catch (const coords::OutsideGridArea& e) {
        outsideGrid_ = true;
        return failed(WriterFailure::Kind::OutputFailed, QString::fromStdString(e.what()));
    } catch (const std::exception& e) {
        return failed(WriterFailure::Kind::OutputFailed, QString::fromStdString(e.what()));
    }
    if (!parts.elevationsFile.isEmpty()) QFile::remove(parts.elevationsFile);
    QFile::remove(parts.pointFile);
    if (written_.files++ == 0) written_.first = parts.output;
    written_.last = parts.output;
    written_.pointsRead += static_cast<std::int64_t>(counts.pointsRead);
    written_.pointsWritten += static_cast<std::int64_t>(counts.pointsWritten);
    return true;
}

void TrackFileWriter::keepWaiting() {
    QString elevations;
    if (elevations_) {
        // A failed write leaves the elevations short; the points past their end get none.
        std::fclose(elevations_.release());
        elevations = std::exchange(elevationsFileName_, {});
    }
    waitingFiles_.push_back({TempFileName, OutFileName, segmentStarts_, trackStarts_, elevations});
}

bool TrackFileWriter::finishWaitingFiles() {
    bool allMade = true;
    for (const PointFileParts& parts : std::exchange(waitingFiles_, {}))
        allMade = finishFile(parts) && allMade;
    return allMade;
}

void TrackFileWriter::discardWaitingFiles() {
    for (const PointFileParts& parts : std::exchange(waitingFiles_, {})) {
        QFile::remove(parts.pointFile);
        if (!parts.elevationsFile.isEmpty()) QFile::remove(parts.elevationsFile);
    }
}

}  // namespace app
