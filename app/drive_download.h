// The download from a receiver that shows up as a drive, or from a GPX, FIT or kept point
// file of any origin: the file is read through the track file readers and its points go
// through the same temporary point file and finishing step as a serial download's, so
// every output form comes out as it would from a receiver. Reading a file needs no
// waiting: start() does the whole download before it returns.
#pragma once

#include <QString>

#include "app/download.h"
#include "app/download_services.h"
#include "app/download_ui.h"
#include "app/track_file_writer.h"

namespace source {
class TrackFileReader;
}

namespace app {

class DriveDownload final : public Download {
  public:
    DriveDownload(const DownloadServices& services, DownloadUi& ui);

    // `choice.device` is the folder a unit is mounted at, or a file.
    void start(const PortChoice& choice) override;
    void onPortEvent() override {}
    void onTimerTick() override {}
    bool transferRunning() const override { return false; }

  private:
    // The file that holds the track of the folder or file chosen; throws ReadError.
    static QString trackFileOf(const QString& chosen);
    void read(const QString& file);
    void readInto(const source::TrackFileReader& reader);
    void finish(const QString& file);
    void end(DownloadEnd how, const QString& text);

    DownloadUi& ui_;
    TrackFileWriter writer_;
    bool started_ = false;  // the writer holds a point file of this download
};

}  // namespace app
