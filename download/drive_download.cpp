#include "download/drive_download.h"

#include <QFileInfo>

#include "download/file_messages.h"
#include "source/read_error.h"
#include "source/track_file_reader.h"
#include "source/track_input.h"
#include "source/unit_folder.h"

namespace app {

namespace {

QString pointsText(std::int64_t count) {
    return count == 1 ? QStringLiteral("1 point") : QStringLiteral("%1 points").arg(count);
}

}  // namespace

DriveDownload::DriveDownload(const DownloadServices& services, DownloadUi& ui)
    : ui_(ui),
      deadline_(services.deadline),
      writer_(
          services.tempFiles, [this] { return ui_.fileChoices(); },
          [this](const WriterFailure& failure) { ui_.showMessage(writerFailureText(failure)); },
          services.overview) {
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
    if (chosen == source::kStandardInput || !QFileInfo(chosen).isDir()) return chosen;
    return source::UnitFolder(chosen).trackLog();
}

void DriveDownload::warning(const std::string& text) {
    warnings_ += QStringLiteral("\r\n") + QString::fromStdString(text);
}

void DriveDownload::start(const PortChoice& choice) {
    warnings_.clear();
    try {
        source::TrackSink& sink = *this;
        reader_ = std::make_unique<source::TrackFileReader>(trackFileOf(choice.device), sink);
        file_ = reader_->name();
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

// A pipe is not waited for: its reader returns when it has sent nothing new, and is called
// again a little later, so that Cancel and the signals are heard meanwhile.
void DriveDownload::readStep() {
    using Step = source::TrackFileReader::Step;
    Step step = Step::Done;
    try {
        step = reader_->readSome(kPointsPerStep);
    } catch (const source::ReadError& e) {
        // Nothing of a file that could not be read is kept: it is still where it was.
        discard();
        end(DownloadEnd::Unreadable, QString::fromStdString(e.what()));
        return;
    }
    switch (step) {
        case Step::More:
            if (writer_.pointsStored() > 0) {
                ui_.setCaption(QStringLiteral("Kelvaron - Read ") +
                               pointsText(writer_.pointsStored()));
                ui_.progress(writer_.pointsStored(), 0);
            }
            deadline_.arm(0);
            return;
        case Step::Waiting:
            deadline_.arm(kPipeWaitSeconds);
            return;
        case Step::Done:
            break;
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
        end(DownloadEnd::OutputFailed, writtenText(writer_.written(), writer_.pointsStored()));
        return;
    }
    if (writer_.pointsStored() == 0) {
        writer_.discardEmpty();
        end(DownloadEnd::NoTrack, noTrackText() + warnings_);
        return;
    }
    const bool earlierMade = writer_.finishWaitingFiles();
    const bool made = writer_.Finish_Output_File();
    const QString wrote = writtenText(writer_.written(), writer_.pointsStored());
    if (!made || !earlierMade || writer_.anyFileFailed()) {  // each failure was named
        end(writer_.failureEnd(), wrote);
        return;
    }
    end(DownloadEnd::Done,
        QStringLiteral("Read %1 from %2.").arg(pointsText(writer_.pointsStored()), file_) +
            leftOutText() + warnings_ + QStringLiteral("\r\n") + wrote);
}

QString DriveDownload::leftOutText() const {
    return pointsLeftOutText(writer_.pointsWithoutPosition()) +
           pointsOutOfRangeText(writer_.pointsOutOfRange());
}

// A file whose every point was left out says why.
QString DriveDownload::noTrackText() const {
    if (writer_.pointsOutOfRange() > 0)
        return QStringLiteral("%1 holds no track point that can be written; no file was written.")
                   .arg(file_) +
               leftOutText();
    return (writer_.pointsWithoutPosition() == 0
                ? QStringLiteral("%1 holds no track; no file was written.")
                : QStringLiteral("%1 holds no track point with a position; no file was written."))
        .arg(file_);
}

void DriveDownload::end(DownloadEnd how, const QString& text) {
    ui_.ended(how);
    if (!text.isEmpty()) ui_.showMessage(text);
    ui_.downloadFinished();
}

}  // namespace app
