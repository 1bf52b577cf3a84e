// The Magellan download in the shape the window drives: start() opens the port and sends
// the track command, then magellan::TrackDownload is fed the port's events and the silence
// deadline until the reply is over. It lends the download the window's messages, caption and
// the track file writer as the sink of its points.
#pragma once

#include <memory>

#include "download/download.h"
#include "download/download_services.h"
#include "download/download_ui.h"
#include "download/frame_trace.h"
#include "download/tracing_port.h"
#include "download/track_file_writer.h"

namespace magellan {
class TrackDownload;
}

namespace app {

class MagellanDownload final : public Download {
  public:
    MagellanDownload(const DownloadServices& services, DownloadUi& ui);
    ~MagellanDownload() override;

    void start(const PortChoice& choice) override { Download_Magellan_Track(choice); }
    void onPortEvent() override;
    void onTimerTick() override {}
    void onDeadline() override;
    bool inProgress() const override;
    // Stops the reply where it is and keeps what has arrived.
    void abortTransfer(std::function<void()> done) override;

  private:
    void Download_Magellan_Track(const PortChoice& choice);
    void afterEvent();

    CommPort& comm_;
    DeadlineTimer& deadline_;
    SettingsStore& settings_;
    DownloadUi& ui_;
    TrackFileWriter writer_;
    // The frames of a download, when a trace is asked for, and the port they pass through.
    FrameTrace trace_;
    std::unique_ptr<TracingPort> traced_;
    std::unique_ptr<magellan::TrackDownload> download_;
};

}  // namespace app
