// The Magellan download in the shape the window drives: the receiver's reply is read
// by magellan::downloadTrack inside start(), which lends it the window's messages,
// caption and the track file writer's temporary file and finishing step.
#pragma once

#include "app/download.h"
#include "app/download_ui.h"
#include "app/services.h"
#include "app/track_file_writer.h"

namespace app {

class MagellanDownload final : public Download {
  public:
    MagellanDownload(const Services& services, DownloadUi& ui);

    void start(const PortChoice& choice) override { Download_Magellan_Track(choice); }
    // The download reads the port itself, inside start().
    void onPortEvent() override {}
    void onTimerTick() override {}
    bool transferRunning() const override { return false; }
    // Closes the port under the receive loop, which then keeps what has arrived.
    void abortTransfer() override;

  private:
    void Download_Magellan_Track(const PortChoice& choice);

    CommPort& comm_;
    seams::EventPump& pump_;
    seams::Clock& clock_;
    SettingsStore& settings_;
    DownloadUi& ui_;
    TrackFileWriter writer_;
    bool aborted_ = false;  // the user stopped this download
};

}  // namespace app
