#include "app/magellan_download.h"

#include <QFile>
#include <cstdint>
#include <string>

#include "app/choices.h"
#include "app/frame_trace.h"
#include "app/port_map.h"
#include "app/tracing_port.h"
#include "magellan/download.h"

namespace app {

namespace {

DownloadEnd endOf(magellan::DownloadOutcome outcome) {
    switch (outcome) {
        case magellan::DownloadOutcome::Saved:
            return DownloadEnd::Done;
        case magellan::DownloadOutcome::NoData:
            return DownloadEnd::NoTrack;
        case magellan::DownloadOutcome::PortNotOpened:
            return DownloadEnd::PortNotOpened;
        case magellan::DownloadOutcome::NotSaved:
            return DownloadEnd::OutputFailed;
        case magellan::DownloadOutcome::NoAnswer:
            return DownloadEnd::NoAnswer;
        case magellan::DownloadOutcome::CutShort:
        case magellan::DownloadOutcome::Stopped:
            break;
    }
    return DownloadEnd::CutShort;
}

}  // namespace

MagellanDownload::MagellanDownload(const Services& services, DownloadUi& ui)
    : comm_(services.comm),
      pump_(services.pump),
      clock_(services.clock),
      settings_(services.settings),
      ui_(ui),
      writer_(ui, services.tempFiles) {}

void MagellanDownload::Download_Magellan_Track(const PortChoice& choice) {
    comm_.setDevice(choice.device);
    aborted_ = false;
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
    hooks.stopRequested = [this] { return ui_.exiting(); };
    hooks.interrupted = [this] { return aborted_; };
    hooks.makeTempName = [this] { return QFile::encodeName(writer_.newTempFile()).toStdString(); };
    hooks.finishOutputFile = [this](const std::string&) { return writer_.Finish_Output_File(); };
    hooks.clock = &clock_;

    // With a trace asked for, every sentence each way passes through it; without one the
    // download talks to the port itself.
    FrameTrace trace;
    if (const QString why = trace.openChosen(choice, settings_); !why.isEmpty())
        ui_.showMessage(why);
    TracingPort traced(comm_, trace);
    seams::SerialPort& port = trace.isOpen() ? static_cast<seams::SerialPort&>(traced) : comm_;

    ui_.ended(endOf(magellan::downloadTrack(port, pump_, request, hooks)));
}

void MagellanDownload::abortTransfer() {
    // Closing the port ends the receive loop, which then keeps the lines that arrived.
    aborted_ = true;
    comm_.close();
}

}  // namespace app
