// A Garmin receiver in its GRMN interface mode: answers the product request with product
// data and its capability report, sends the track log on the transfer command, acknowledges
// every good packet from the host, refuses bad ones, and waits for the host's acknowledgement
// of each packet it sends, resending on refusal or silence.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/fault_plan.h"
#include "tools/sim/frame_log.h"
#include "tools/sim/frame_reader.h"
#include "tools/sim/garmin_records.h"
#include "tools/sim/garmin_wire.h"
#include "tools/sim/options.h"
#include "tools/sim/sim_receiver.h"
#include "tools/sim/track.h"

namespace ksim {

struct GarminSettings {
    Caps caps = Caps::L001D310;
    long countOffset = 0;
    std::optional<std::uint16_t> claimRecords;
    std::optional<long> silentAfter;
    Duration ackTimeout = std::chrono::seconds(1);
    int maxResends = 10;
    bool once = false;
    FaultSettings faults;
    // The speed change (packet 0x30): the fastest rate accepted, or nothing when the request
    // is not known; the speed the receiver starts at and falls back to; a misbehaviour.
    std::optional<int> switchSpeed;
    int startSpeed = 9600;
    SwitchFault switchFault = SwitchFault::None;
    std::uint32_t switchAnswer = 0;
};

class GarminReceiver : public SimReceiver {
  public:
    GarminReceiver(GarminSettings settings, const Track& track, SerialLine& line, FrameLog& log);

    void onInput(std::span<const std::uint8_t> bytes, TimePoint now) override;
    void onTime(TimePoint now) override;
    std::optional<TimePoint> nextDeadline() const override;
    Status status() const override { return status_; }
    std::string failure() const override { return failure_; }
    std::string onStop() const override;

  private:
    enum class Transfer { None, Product, Track };

    void handleFrame(const HostFrame& f);
    void handleRequest(const HostFrame& f);
    void handleAnswer(const HostFrame& f);
    void request(Transfer t);
    void startNextTransfer();
    void abortTransfer();
    void transmit();
    void transmitWithFault(Fault fault, long index, const Bytes& wire, const std::string& note);
    void resend(const char* reason);
    void advance();
    void send(Bytes wire, std::string note);
    Bytes corrupted(const OutPacket& p, std::uint64_t detail) const;
    // The speed change.
    void speedRequested(const HostFrame& f, TimePoint now);
    void answerSpeed(std::uint32_t rate, int speed);
    bool speedAnswerAcknowledged(const HostFrame& f, TimePoint now);
    void pinged();
    void speedTime(TimePoint now);
    void changeSpeed(int speed, const std::string& why);

    GarminSettings s_;
    const Track& track_;
    SerialLine& line_;
    FrameLog& log_;
    Dialect dialect_;
    FaultPlan faults_;
    FrameReader reader_;

    Transfer active_ = Transfer::None;
    std::deque<Transfer> pending_;
    std::vector<OutPacket> packets_;
    std::size_t current_ = 0;

    // The current packet's exchange. `inFlight` counts copies on the wire that the host has
    // not answered yet; `owed` counts answers still due for copies of packets already
    // acknowledged (a duplicate's second acknowledgement), which must not be taken for an
    // acknowledgement of the packet after it.
    bool awaiting_ = false;
    int attempts_ = 0;
    int inFlight_ = 0;
    int owed_ = 0;
    bool ignoreNextAck_ = false;
    std::optional<TimePoint> deadline_;

    // The speed change: an answer sent and not yet acknowledged (the speed it offers), an
    // answer still to send (late), and the two seconds in which both pings must come.
    std::optional<int> offered_;
    std::optional<TimePoint> offerExpires_;
    std::optional<TimePoint> lateAnswerAt_;
    std::uint32_t lateRate_ = 0;
    int lateSpeed_ = 0;
    std::optional<TimePoint> pingsDue_;
    // --once: the track is done, and the receiver ends once back at its starting speed.
    std::optional<TimePoint> doneBy_;
    int pings_ = 0;

    TimePoint now_{};  // when the frame being handled arrived

    bool silent_ = false;
    Status status_ = Status::Serving;
    std::string failure_;
};

}  // namespace ksim
