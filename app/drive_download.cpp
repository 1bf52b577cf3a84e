#include "app/drive_download.h"

#include <QFileInfo>
#include <limits>

#include "app/file_messages.h"
#include "source/read_error.h"
#include "source/track_file_reader.h"
#include "source/unit_folder.h"

namespace app {

namespace {

// Hands each point read to the writer, as the Garmin download hands each point received.
class WriterSink final : public source::TrackSink {
  public:
    explicit WriterSink(TrackFileWriter& writer) : writer_(writer) {}
    void startTrack(const std::string& name) override { writer_.startTrackUtf8(name); }
    void point(const source::SourcePoint& p) override {
        track_.lat = p.lat;
        track_.lon = p.lon;
        track_.Time = p.time;
        track_.New_Segment = p.newSegment;
        writer_.Write_Track_Point(track_, p.elevation);
    }

  private:
    TrackFileWriter& writer_;
    garmin::cTrack track_;
};

// Reads without writing: the whole file is checked before a split output is made.
class CheckingSink final : public source::TrackSink {
  public:
    void startTrack(const std::string&) override {}
    void point(const source::SourcePoint&) override {}
};

}  // namespace

DriveDownload::DriveDownload(const DownloadServices& services, DownloadUi& ui)
    : ui_(ui),
      writer_(
          services.tempFiles, [this] { return ui_.fileChoices(); },
          [this](const WriterFailure& failure) { ui_.showMessage(writerFailureText(failure)); }) {
    writer_.setWriteThrough(false);
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

void DriveDownload::start(const PortChoice& choice) {
    started_ = false;
    QString file;
    try {
        file = trackFileOf(choice.device);
        read(file);
    } catch (const source::ReadError& e) {
        // Nothing of a file that could not be read is kept: it is still where it was.
        if (started_) writer_.discardEmpty();
        end(DownloadEnd::Unreadable, QString::fromStdString(e.what()));
        return;
    }
    if (started_) finish(file);
}

void DriveDownload::read(const QString& file) {
    const source::TrackFileReader reader(file);
    // Split files are finished while the points come; so a file that fails halfway must
    // fail before the first of them is written.
    if (ui_.fileChoices().split) {
        CheckingSink check;
        reader.read(check);
    }
    if (!writer_.startDownload()) {  // the user has been told why
        end(DownloadEnd::OutputFailed, QString());
        return;
    }
    started_ = true;
    readInto(reader);
}

void DriveDownload::readInto(const source::TrackFileReader& reader) {
    WriterSink sink(writer_);
    reader.read(sink);
}

void DriveDownload::finish(const QString& file) {
    if (!writer_.closePointFile()) {  // reported as it failed
        end(DownloadEnd::OutputFailed, QString());
        return;
    }
    if (writer_.pointsStored() == 0) {
        writer_.discardEmpty();
        end(DownloadEnd::NoTrack,
            QStringLiteral("%1 holds no track; no file was written.").arg(file));
        return;
    }
    if (!writer_.Finish_Output_File()) {  // the finishing step names its own failure
        end(DownloadEnd::OutputFailed, QString());
        return;
    }
    end(DownloadEnd::Done,
        QStringLiteral("Read %1 points from %2.").arg(writer_.pointsStored()).arg(file));
}

void DriveDownload::end(DownloadEnd how, const QString& text) {
    ui_.ended(how);
    if (!text.isEmpty()) ui_.showMessage(text);
    ui_.downloadFinished();
}

}  // namespace app
