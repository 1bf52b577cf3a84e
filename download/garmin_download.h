// The Garmin download: opening the port (or the USB unit) through the engine, identifying the
// receiver, asking for its track log, and handling the decoded packets and link errors that the
// engine hands back until the transfer is complete. It is the engine's host.
//
// It runs as one table of states: enter() holds what each state does when it begins, and
// each event (a packet, the deadline, a link error, a lost port, the user's answer, abort,
// release, stopWaiting) is one switch over the state.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "download/download.h"
#include "download/download_services.h"
#include "download/download_ui.h"
#include "download/frame_trace.h"
#include "download/garmin_track_end.h"
#include "download/speed_change.h"
#include "download/track_file_writer.h"
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
    void onUsbEvent() override;
    void onTimerTick() override;
    void onDeadline() override;
    // Identifying the receiver goes on after start() has returned, and so do the speed
    // changes and the transfer.
    bool inProgress() const override;
    void abortTransfer(std::function<void()> done) override;
    void stopWaiting() override;
    bool trackComplete() const override {
        return state_ == State::Completing || state_ == State::Done;
    }
    void release(std::function<void()> then) override;

    // garmin::Host
    void onPacket(const garmin::PacketEvent& packet) override;
    void onLinkError(garmin::LinkError error, const std::string& message) override;
    void onChecksumErrors(const std::string& message) override;
    void onSentence() override;

  private:
    enum class State {
        // No download: before the first start, and after one that stopped short (the port
        // is closed, Save can start again).
        Idle,
        // A product request is out: two seconds for the receiver's product data.
        AwaitingProduct,
        // The product data came: half a second for the capability report that ends the
        // identification at once; without it the identification ends when the time is up.
        AwaitingReport,
        // Four requests went unanswered: the Retry/Cancel question is open. The port is
        // read meanwhile; an answer that came is enough for Retry to go on.
        AskingRetry,
        // The receiver and the port move to the faster speed for the track.
        Switching,
        // The track log is asked for: records, headers and points until it is complete.
        // A silence reported at the starting speed comes back here, the receiver may speak.
        Transfer,
        // Back to the starting speed before the port closes; `after_` is what follows then.
        Restoring,
        // Back to the starting speed after the whole track came; Done follows.
        Completing,
        // The whole track came: its messages, then the files, then the end of the program.
        Done,
        // The receiver was let go at the user's Cancel: the program ends.
        Released,
    };

    // What follows the way back to the starting speed (at once when the port is at it).
    enum class Report {
        OutputFailed,  // the point file could not be made: that end, and the port closes
        Silence,       // the receiver fell silent: the transfer goes on, the silence is told
        Stopped,       // aborted while the speed changed: the port closes, nothing is kept
        CutShort,      // aborted mid-transfer: its end is told, the port closes
        Released,      // Cancel: only the user's waiters follow
        Complete,      // the track came whole: its messages and files
    };

    // What the receiver has shown itself to be while it is identified.
    enum class Receiver { Unknown, Garmin, Sentences };

    void Download_Garmin_Track(const PortChoice& choice);
    bool openPort();
    void noTrackLog();
    void enter(State state);
    bool identifying() const;
    void requestWaitOver();
    void continueIdentifying();
    void identified();
    void askRetry();
    void retryAnswered(bool retry);
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
    void speedChangeOver();
    void switched();
    void restoreThen(Report report, std::function<void()> waiter = {});
    void restored();
    void tell(Report report);
    bool speedChanged() const { return speedChange_.speed() != startSpeed_; }
    bool joinRestore(std::function<void()>& then);
    void reportSilence(const std::string& message);
    void heldSilenceDue(const QString& text, State state, unsigned long packets);
    void packetFailed(const QString& what);
    void portLost();
    void endProgram();
    QString portDescription() const;

    CommPort& comm_;
    UsbCommPort& usb_;
    DeadlineTimer& deadline_;
    SettingsStore& settings_;
    DownloadUi& ui_;
    TrackFileWriter writer_;
    // The words and files of a track that came whole.
    GarminTrackEnd trackEnd_;
    // The engine, one for the life of the program.
    const std::unique_ptr<garmin::cGarminGPS> GPS;
    // The frames of a download, when a trace is asked for.
    FrameTrace trace_;
    State state_ = State::Idle;
    Receiver receiver_ = Receiver::Unknown;
    // The USB unit chosen ("usb:1"), or nothing for the serial port.
    QString usbUnit_;
    // What the receiver's product data calls it, for the messages about it.
    QString productName_;
    // Product requests since the start, or since the user last chose Retry.
    int requests_ = 0;
    // While Restoring or Completing: what follows, the silence to tell after it, and what
    // the runner asked to follow besides (an abort's or a release's waiter), in order.
    Report after_ = Report::Released;
    std::string silence_;
    std::function<void()> waiters_;
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

    // The port's speed as the user chose it, and what to move the receiver to for the
    // track (0: never), in bit/s; the change itself, and where the port is now.
    int startSpeed_ = 0;
    int switchTo_ = 0;
    SpeedChange speedChange_;
};

}  // namespace app
