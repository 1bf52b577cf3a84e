// The download from a receiver that shows up as a drive, or from a GPX, FIT or kept point
// file of any origin: the file is read through the track file readers and its points go
// through the same temporary point file and finishing step as a serial download's, so
// every output form comes out as it would from a receiver. A long file is read in steps,
// each called back by the deadline, so the window stays alive and Cancel is heard.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "download/download.h"
#include "download/download_services.h"
#include "download/download_ui.h"
#include "download/track_file_writer.h"
#include "source/track_sink.h"

namespace source {
class TrackFileReader;
}

namespace app {

class DriveDownload final : public Download, private source::TrackSink {
  public:
    // Points read in one step: some tens of milliseconds of work.
    static constexpr std::int64_t kPointsPerStep = 10000;
    // A pipe that has sent nothing new is looked at again this much later.
    static constexpr double kPipeWaitSeconds = 0.02;

    DriveDownload(const DownloadServices& services, DownloadUi& ui);
    ~DriveDownload() override;

    // `choice.device` is the folder a unit is mounted at, or a file ("-": standard input).
    void start(const PortChoice& choice) override;
    void onPortEvent() override {}
    void onTimerTick() override {}
    void onDeadline() override;
    // True while a long file is being read.
    bool inProgress() const override { return reader_ != nullptr; }
    // A read that is stopped keeps nothing: the file is still where it was.
    void abortTransfer(std::function<void()> done) override;
    void release(std::function<void()> then) override { abortTransfer(std::move(then)); }

  private:
    // The file that holds the track of the folder or file chosen; throws ReadError.
    static QString trackFileOf(const QString& chosen);
    // Each point read goes to the writer, as a serial download's points do.
    void startTrack(const std::string& name) override { writer_.startTrack(name); }
    void point(const seams::Point& p) override { writer_.point(p); }
    void pointWithoutPosition(bool newSegment) override {
        writer_.pointWithoutPosition(newSegment);
    }
    void pointOutOfRange() override { writer_.pointOutOfRange(); }
    void warning(const std::string& text) override;
    void readStep();
    // Drops the reader and every file this download has made so far.
    void discard();
    void finish();
    // The lines that count the points left out, and the message of a file without a point
    // to write.
    QString leftOutText() const;
    QString noTrackText() const;
    void end(DownloadEnd how, const QString& text);

    DownloadUi& ui_;
    seams::Deadline& deadline_;
    TrackFileWriter writer_;
    std::unique_ptr<source::TrackFileReader> reader_;
    QString file_;      // the file being read, as messages call it
    QString warnings_;  // what the reader said of a file it read all the same
};

}  // namespace app
