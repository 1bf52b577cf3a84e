#include "download/track_file_writer.h"

#include <QFile>
#include <exception>

#include "download/deviation.h"
#include "trackfile/gpx_writer.h"

namespace app {

TrackFileWriter::TrackFileWriter(TempFiles& tempFiles, Choices choices, FailureReport failed,
                                 overview::TrackOverview* overview)
    : tempFiles_(tempFiles),
      choices_(choices),
      failed_(std::move(failed)),
      file_([this](const WriterFailure& f) { this->failed(f); }),
      pass_(std::move(choices), [this](const WriterFailure& f) { this->failed(f); }),
      overview_(overview) {}

void TrackFileWriter::failed(const WriterFailure& failure) {
    anyFileFailed_ = true;
    failed_(failure);
}

bool TrackFileWriter::startDownload() {
    // One download's files start afresh, also after an earlier one was cut short.
    // Each download numbers its files from 1 (the window reads drives and files again).
    split_.restart();
    pass_.restart();
    file_.forgetTrack();
    anyFileFailed_ = false;
    pointsStored_ = 0;
    pointsWithoutPosition_ = 0;
    pointsOutOfRange_ = 0;
    startOverview(choices_());
    const bool opened = setUpPointFile(false);
    firstOutFile_ = OutFileName;
    return opened;
}

bool TrackFileWriter::setUpPointFile(bool atSplit) {
    QString temp;
    QString out;
    try {
        const FileChoices choices = choices_();
        if (atSplit) {
            temp = Make_Temp_Name();
            out = split_.Make_Output_Name(choices.fileName, choices.split);
        } else {
            out = split_.Make_Output_Name(choices.fileName, choices.split);
            temp = Make_Temp_Name();
        }
    } catch (const std::exception& e) {
        if (!temp.isEmpty()) QFile::remove(temp);
        file_.cannotStart(QString::fromLocal8Bit(e.what()));
        return false;
    }
    OutFileName = out;
    if (overview_) overview_->startFile(QFile::encodeName(out).toStdString());
    return file_.open(temp, trackfile::isGpxName(QFile::encodeName(out).toStdString()));
}

void TrackFileWriter::point(const seams::Point& p) {
    const bool split = choices_().split;
    if (split && file_.beginsSegment(p) && split_.newFileAt()) nextFile();
    const bool newSegment = file_.beginsSegment(p);
    if (!file_.append(p, !split)) return;
    ++pointsStored_;
    if (overview_) overview_->point(p, newSegment);
}

void TrackFileWriter::startTrack(const std::string& name) {
    file_.startTrack(name);
    if (overview_) overview_->startTrack(name);
}

bool TrackFileWriter::closePointFile() {
    const bool closed = file_.close();
    if (closed && overview_) overview_->end();
    return closed;
}

// The overview follows the points with the choices the download started with; the window
// keeps them locked until the files are made.
void TrackFileWriter::startOverview(const FileChoices& choices) {
    if (!overview_) return;
    overview::OverviewChoices o;
    o.system = choices.system;
    o.gpx = trackfile::isGpxName(QFile::encodeName(choices.fileName).toStdString());
    o.reduce = choices.reduce;
    if (const auto deviation = deviationForPass(readNumberText(choices.deviation.toStdString())))
        o.deviation = *deviation;
    else
        o.reduce = false;
    o.split = choices.split;
    overview_->start(o);
}

void TrackFileWriter::nextFile() {
    if (file_.close()) {
        if (splitFilesWait_)
            split_.wait(file_.parts(OutFileName));
        else
            Finish_Output_File();
    }
    setUpPointFile(true);
}

void TrackFileWriter::pointWithoutPosition(bool newSegment) {
    ++pointsWithoutPosition_;
    file_.leaveOut(newSegment);
}

bool TrackFileWriter::closeCutShort() {
    const bool nothingStored =
        file_.isOpen() && OutFileName == firstOutFile_ && file_.emptyOnDisk();
    const bool closed = file_.close();
    if (closed && nothingStored) QFile::remove(file_.name());
    file_.drop();  // only a GPX output made from the point file needs its elevations
    return closed;
}

KeptPoints TrackFileWriter::keptPoints() {
    if (!file_.isOpen() || file_.name().isEmpty()) return {KeptPoints::Where::LostAfterFailure, {}};
    file_.flush();
    const bool earlierFiles = OutFileName != firstOutFile_;
    if (!earlierFiles && file_.emptyOnDisk()) return {KeptPoints::Where::NoneYet, {}};
    return {earlierFiles ? KeptPoints::Where::SinceLastFile : KeptPoints::Where::SoFar,
            file_.name(), written(), pointsStored_};
}

WrittenFiles TrackFileWriter::written() const {
    WrittenFiles w = pass_.written();
    if (!split_.base().isEmpty()) {
        w.base = split_.base();
        w.alreadyThere = split_.alreadyThere();
    }
    return w;
}

void TrackFileWriter::startSingleFile(const QString& outFileName) {
    OutFileName = outFileName;
    startOverview(choices_());
    if (overview_) overview_->startFile(QFile::encodeName(outFileName).toStdString());
    pass_.restart();
    anyFileFailed_ = false;
    file_.drop();
}

bool TrackFileWriter::openSingleFile() {
    QString temp;
    try {
        temp = Make_Temp_Name();
    } catch (const std::exception& e) {
        file_.cannotStart(QString::fromLocal8Bit(e.what()));
        return false;
    }
    return file_.open(temp, false);
}

}  // namespace app
