#include "download/magellan_download.h"

#include <cstdint>
#include <string>

#include "download/choices.h"
#include "download/file_messages.h"
#include "download/port_map.h"
#include "magellan/download.h"

namespace app {

namespace {

// A Magellan download words a point file that failed its own way.
QString failureText(const WriterFailure& f) {
    using Kind = WriterFailure::Kind;
    const QString kept = QStringLiteral(
                             "\r\nThe track was not saved in full; the points written before the "
                             "failure are kept in %1.")
                             .arg(f.file);
    switch (f.kind) {
        case Kind::CannotStart:
            return QStringLiteral(
                       "Cannot create a temporary point file: %1\r\nThe track was "
                       "not saved.")
                .arg(f.reason);
        case Kind::CannotOpen:
            return QStringLiteral("Cannot create the point file %1: %2").arg(f.file, f.reason) +
                   kept;
        case Kind::CannotWrite:
            return QStringLiteral("Cannot write the point file %1: %2").arg(f.file, f.reason) +
                   kept;
        case Kind::PointNotStored:
            return f.reason + kept;
        case Kind::OutputFailed:
        case Kind::BadDeviation:
            break;
    }
    return writerFailureText(f);
}

}  // namespace

MagellanDownload::MagellanDownload(const DownloadServices& services, DownloadUi& ui)
    : comm_(services.comm),
      deadline_(services.deadline),
      settings_(services.settings),
      ui_(ui),
      writer_(
          services.tempFiles, [this] { return ui_.fileChoices(); },
          [this](const WriterFailure& failure) { ui_.showMessage(failureText(failure)); },
          services.overview) {
    // The points come all at once, after the reply has ended.
    writer_.setWriteThrough(false);
}

MagellanDownload::~MagellanDownload() = default;

void MagellanDownload::Download_Magellan_Track(const PortChoice& choice) {
    comm_.setDevice(choice.device);
    const QString outFileName = ui_.fileChoices().fileName;
    writer_.startSingleFile(outFileName);

    magellan::DownloadRequest request;
    request.port = choice.port;
    request.settings = lineSettingsText(choice.speed).toStdString();
    request.portLabel = portDescription(comm_, choice.port).toStdString();
    request.outputName = outFileName.toStdString();

    magellan::DownloadHooks hooks;
    hooks.showCaption = [this](const std::string& s) { ui_.setCaption(QString::fromStdString(s)); };
    hooks.bytesReceived = [this](std::int64_t bytes) { ui_.progress(bytes, 0); };
    hooks.showMessage = [this](const std::string& s) {
        ui_.showMessage(QString::fromStdString(s));
    };
    hooks.openFailureText = [this] { return comm_.openFailureText().toStdString(); };
    hooks.startPoints = [this] { return writer_.openSingleFile(); };
    hooks.points = &writer_;
    hooks.finishPoints = [this] {
        return writer_.closePointFile() && writer_.Finish_Output_File();
    };

    // With a trace asked for, every sentence each way passes through it; without one the
    // download talks to the port itself.
    traced_.reset();
    trace_.close();
    if (const QString why = trace_.openChosen(choice, settings_); !why.isEmpty())
        ui_.showMessage(why);
    traced_ = std::make_unique<TracingPort>(comm_, trace_);
    seams::SerialPort& port = trace_.isOpen() ? static_cast<seams::SerialPort&>(*traced_) : comm_;

    download_ = std::make_unique<magellan::TrackDownload>(port, deadline_, std::move(request),
                                                          std::move(hooks));
    download_->start();
    afterEvent();
}

bool MagellanDownload::inProgress() const {
    return download_ && download_->running();
}

void MagellanDownload::onPortEvent() {
    if (!inProgress()) return;
    download_->onPortEvent();
    afterEvent();
}

void MagellanDownload::onDeadline() {
    if (!inProgress()) return;
    download_->onSilence();
    afterEvent();
}

void MagellanDownload::abortTransfer(std::function<void()> done) {
    if (inProgress()) {
        download_->stop();
        afterEvent();
    }
    done();
}

// Once the reply is over the runner learns how it ended, after the download's messages.
void MagellanDownload::afterEvent() {
    if (!download_ || download_->running()) return;
    DownloadEnd end = download_->outcome();
    if (end == DownloadEnd::OutputFailed) end = writer_.failureEnd();
    download_.reset();
    traced_.reset();  // it traces a last unfinished line as it goes
    trace_.close();
    ui_.ended(end);
    // Also after a reply cut short whose points were saved.
    const WrittenFiles written = writer_.written();
    if (const QString text = writtenText(written, written.pointsRead); !text.isEmpty())
        ui_.showMessage(text);
    ui_.downloadFinished();
}

}  // namespace app
