// The Garmin download: opening the port through the engine, identifying the receiver,
// asking for its track log, and handling the decoded packets and link errors that the
// engine hands back until the transfer is complete. It is the engine's host.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/download.h"
#include "app/download_services.h"
#include "app/download_ui.h"
#include "app/frame_trace.h"
#include "app/speed_change.h"
#include "app/track_file_writer.h"
#include "garmin/host.h"

namespace garmin {
class cGarminGPS;
}

namespace app {

class GarminDownload final : public Download, public garmin::Host {
  public:
    // Creates the engine `GPS` on the services' port and reply timer.
    GarminDownload(const DownloadServices& services, DownloadUi& ui);
    ~GarminDownload() override;

    void start(const PortChoice& choice) override { Download_Garmin_Track(choice); }
    void onPortEvent() override;
    void onTimerTick() override;
    void onDeadline() override;
    // Identifying the receiver goes on after start() has returned, and so do the speed
    // changes and the transfer.
    bool inProgress() const override {
        return step_ == Step::Identifying || step_ == Step::Switching || step_ == Step::Transfer ||
               restoring();
    }
    void abortTransfer(std::function<void()> done) override;
    void stopWaiting() override;
    bool trackComplete() const override { return step_ == Step::Completing || step_ == Step::Done; }
    void release(std::function<void()> then) override;

    // garmin::Host
    void onPacket(const garmin::PacketEvent& packet) override;
    void onLinkError(garmin::LinkError error, const std::string& message) override;
    void onChecksumErrors(const std::string& message) override;
    void onSentence() override;

  private:
    // Switching: the receiver is being moved to the faster speed for its track;
    // Restoring: back to the starting speed, at an end, before the port closes;
    // Completing: the same after the whole track has arrived, before its files are made.
    enum class Step { Idle, Identifying, Switching, Transfer, Restoring, Completing, Done };

    void Download_Garmin_Track(const PortChoice& choice);
    bool inTransfer() const { return step_ == Step::Transfer; }
    void requestProductData();
    void identificationWaitOver();
    void continueIdentifying();
    void identified();
    void askRetry();
    bool sendsSentences() const;
    void startTransfer();
    void handle(const garmin::cProduct_Data& product);
    void handle(const garmin::CapabilityReport&);
    void handle(const garmin::BaudAccepted&) {}
    void handle(const garmin::RecordsAnnounced&);
    void handle(const garmin::TrackHeader& header);
    void handle(const garmin::TrackPoint& event);
    void handle(const garmin::TransferComplete&);
    void handle(const garmin::OtherPacket&) {}
    int switchSpeed(const PortChoice& choice) const;
    void switched();
    void restoreSpeed(std::function<void()> then, Step meanwhile = Step::Restoring);
    bool restoring() const { return step_ == Step::Restoring || step_ == Step::Completing; }
    bool speedChanged() const { return speedChange_.speed() != startSpeed_; }
    bool joinRestore(std::function<void()>& then);
    void reportSilence(const std::string& message);
    void completeTransfer();
    QString receivedText() const;
    void finishOutput(bool noPoint);
    void tellWritten();
    void packetFailed(const QString& what);
    void portLost();
    void stopDownload();
    void endProgram();
    QString portDescription() const;

    CommPort& comm_;
    DeadlineTimer& deadline_;
    SettingsStore& settings_;
    DownloadUi& ui_;
    TrackFileWriter writer_;
    // The engine, one for the life of the program.
    const std::unique_ptr<garmin::cGarminGPS> GPS;
    // The frames of a download, when a trace is asked for.
    FrameTrace trace_;
    // The receiver's identity: empty until its product data arrived, then "PID " and its
    // product number ("NMEA" for a receiver that talks sentences).
    QString DeviceMode;
    Step step_ = Step::Idle;
    // Product requests since the start, or since the user last chose Retry.
    int requests_ = 0;
    // Track headers and points since the last start of records. The receiver announces
    // up to 65535, and a track may hold more: no 16-bit ceiling here.
    std::int32_t RecordCount = 0;
    // The count of the receiver's last records packet, whenever it came.
    std::uint16_t announcedRecords_ = 0;
    // Packets since the program started, so that a report kept back behind another box
    // can tell whether the receiver spoke again meanwhile.
    unsigned long packetsReceived_ = 0;
    // A packet whose handling failed has been reported; once is enough.
    bool packetFailureTold_ = false;
    // A product request waits for its answer: the identification ends as soon as it came.
    bool awaitingAnswer_ = false;

    // The port's speed as the user chose it, and what to move the receiver to for the
    // track (0: never), in bit/s; the change itself, and where the port is now.
    int startSpeed_ = 0;
    int switchTo_ = 0;
    SpeedChange speedChange_;
};

}  // namespace app
