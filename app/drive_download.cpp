#include "app/drive_download.h"

#include <QFileInfo>

#include "app/file_messages.h"
#include "source/read_error.h"
#include "source/track_file_reader.h"
#include "source/unit_folder.h"

namespace app {

DriveDownload::DriveDownload(const DownloadServices& services, DownloadUi& ui)
    : ui_(ui),
      deadline_(services.deadline),
      writer_(
          services.tempFiles, [this] { return ui_.fileChoices(); },
          [this](const WriterFailure& failure) { ui_.showMessage(writerFailureText(failure)); }) {
    // The source still holds the points: nothing of them stays behind.
    writer_.setWriteThrough(false);
    writer_.setKeepPointsOnFailure(false);
    // A file that fails halfway must fail before the first numbered file is made.
    writer_.setSplitFilesWait(true);
}

DriveDownload::~DriveDownload() {
    if (reader_) discard();
}

QString DriveDownload::trackFileOf(const QString& chosen) {
    if (!QFileInfo(chosen).isDir()) return chosen;
    const QString file = source::UnitFolder(chosen).trackFile();
    if (file.isEmpty())
        throw source::ReadError(
            QStringLiteral("%1 holds no track log: neither Garmin/GPX/Current/Current.gpx nor "
                           "an activity file under Garmin/Activity.")
                .arg(chosen)
                .toStdString());
    return file;
}

// Each point read goes to the writer, as the Garmin download hands on each point received.
void DriveDownload::startTrack(const std::string& name) {
    writer_.startTrackUtf8(name);
}

void DriveDownload::point(const source::SourcePoint& p) {
    track_.lat = p.lat;
    track_.lon = p.lon;
    track_.Time = p.time;
    track_.New_Segment = p.newSegment;
    writer_.Write_Track_Point(track_, p.elevation);
}

void DriveDownload::start(const PortChoice& choice) {
    try {
        file_ = trackFileOf(choice.device);
        source::TrackSink& sink = *this;
        reader_ = std::make_unique<source::TrackFileReader>(file_, sink);
    } catch (const source::ReadError& e) {
        end(DownloadEnd::Unreadable, QString::fromStdString(e.what()));
        return;
    }
    if (!writer_.startDownload()) {  // the user has been told why
        reader_.reset();
        end(DownloadEnd::OutputFailed, QString());
        return;
    }
    readStep();
}

void DriveDownload::onDeadline() {
    if (reader_) readStep();
}

void DriveDownload::readStep() {
    bool more = false;
    try {
        more = reader_->readSome(kPointsPerStep);
    } catch (const source::ReadError& e) {
        // Nothing of a file that could not be read is kept: it is still where it was.
        discard();
        end(DownloadEnd::Unreadable, QString::fromStdString(e.what()));
        return;
    }
    if (more) {
        ui_.setCaption(QStringLiteral("Kelvaron - Read %1 points").arg(writer_.pointsStored()));
        ui_.progress(writer_.pointsStored(), 0);
        deadline_.arm(0);
        return;
    }
    reader_.reset();
    finish();
}

void DriveDownload::abortTransfer(std::function<void()> done) {
    if (reader_) {
        deadline_.disarm();
        discard();
    }
    done();
}

void DriveDownload::discard() {
    reader_.reset();
    writer_.discardWaitingFiles();
    writer_.discardEmpty();
}

void DriveDownload::finish() {
    if (!writer_.closePointFile()) {  // reported as it failed
        writer_.finishWaitingFiles();
        end(DownloadEnd::OutputFailed, QString());
        return;
    }
    if (writer_.pointsStored() == 0) {
        writer_.discardEmpty();
        end(DownloadEnd::NoTrack,
            QStringLiteral("%1 holds no track; no file was written.").arg(file_));
        return;
    }
    const bool earlierMade = writer_.finishWaitingFiles();
    if (!writer_.Finish_Output_File() || !earlierMade) {  // each failure was named
        end(writer_.failureEnd(), QString());
        return;
    }
    end(DownloadEnd::Done,
        QStringLiteral("Read %1 points from %2.").arg(writer_.pointsStored()).arg(file_));
}

void DriveDownload::end(DownloadEnd how, const QString& text) {
    ui_.ended(how);
    if (!text.isEmpty()) ui_.showMessage(text);
    ui_.downloadFinished();
}

}  // namespace app
