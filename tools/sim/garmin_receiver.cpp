// Garmin receiver state machine.
#include "tools/sim/garmin_receiver.h"

#include <algorithm>

#include "tools/sim/split_mix.h"

namespace ksim {

namespace {

// Who the receiver says it is: an eTrex-class hand-held, software 3.00.

// The maker's speed change in Garmin mode.
constexpr std::uint8_t kPidTurnOffRequests = 0x1C;
constexpr std::uint8_t kPidBaudRequest = 0x30;
constexpr std::uint8_t kPidBaudAccept = 0x31;
constexpr std::uint16_t kCmdPing = 0x3A;
constexpr auto kPingWindow = std::chrono::seconds(2);
constexpr auto kLateAnswer = std::chrono::seconds(3);
// How long a --once receiver left at another speed after the track waits to be moved back.
constexpr auto kBackWait = std::chrono::seconds(5);
constexpr int kStandardRates[] = {9600, 19200, 38400, 57600, 115200};

// The rate a receiver's clock divides down to: a little off the standard one, as the maker's
// example answers 38361 for 38400.
std::uint32_t clockRate(int speed) {
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(speed) * 38361 + 19200) / 38400);
}

std::string packetName(std::uint8_t id) {
    switch (id) {
        case kPidAck:
            return "ACK";
        case kPidNak:
            return "NAK";
        case kPidProductRqst:
            return "product request";
        case kPidProductData:
            return "product data";
        case kPidProtocolArray:
            return "protocol array";
        case kPidXferCmplt:
            return "transfer complete";
        case kPidTrkData:
            return "track point";
        case kPidTrkHdr:
            return "track header";
        case 10:
        case 11:
            return "command";
        case kPidTurnOffRequests:
            return "turn off requests";
        case kPidBaudRequest:
            return "speed request";
        case kPidBaudAccept:
            return "speed accepted";
        case 27:
        case 35:
            return "records";
        default:
            return "packet " + std::to_string(id);
    }
}

std::string checkName(HostFrame::Check c) {
    return c == HostFrame::Check::BadSize ? "size does not match the data" : "bad checksum";
}

// Line noise for the fault injector: never a DLE (it would frame), nor text that a host could
// take for the start or end of an NMEA sentence.
Bytes noiseBytes(std::uint64_t detail) {
    Bytes noise;
    SplitMix rng(detail);
    const std::size_t n = 1 + detail % 8;
    for (std::size_t i = 0; noise.size() < n && i < 64; ++i) {
        const auto b = static_cast<std::uint8_t>(rng.next() >> 56);
        if (b != kDle && b != '$' && b != '@' && b != '\r' && b != '\n') noise.push_back(b);
    }
    return noise;
}

}  // namespace

GarminReceiver::GarminReceiver(GarminSettings settings, const Track& track, SerialLine& line,
                               FrameLog& log)
    : s_(std::move(settings)),
      track_(track),
      line_(line),
      log_(log),
      dialect_(dialectFor(s_.caps)),
      faults_(s_.faults) {}

void GarminReceiver::onInput(std::span<const std::uint8_t> bytes, TimePoint now) {
    std::vector<HostFrame> frames;
    reader_.feed(bytes, frames);
    for (const HostFrame& f : frames) {
        if (status_ != Status::Serving) return;
        now_ = now;
        handleFrame(f);
    }
}

void GarminReceiver::handleFrame(const HostFrame& f) {
    if (f.kind == HostFrame::Kind::Noise) {
        log_.host(f.wire, "noise");
        return;
    }
    if (f.kind == HostFrame::Kind::BrokenFrame) {
        log_.host(f.wire, "torn frame (DLE without ETX)");
        return;
    }
    const std::string name = packetName(f.id);
    if (f.check != HostFrame::Check::Ok) {
        log_.host(f.wire, name + ": " + checkName(f.check));
        // A garbled answer counts as no answer; the acknowledgement timer takes care of it.
        if (f.id == kPidAck || f.id == kPidNak) return;
        send(encodeReply(kPidNak, f.id), "NAK " + std::to_string(f.id));
        return;
    }
    if (f.id == kPidAck || f.id == kPidNak) {
        log_.host(f.wire, name + " " + std::to_string(f.data.empty() ? 0 : f.data[0]));
        if (speedAnswerAcknowledged(f, now_)) return;
        handleAnswer(f);
        return;
    }
    const bool ping = f.id == dialect_.pidCommand && readU16(f.data, 0) == kCmdPing;
    if (ping && pingsDue_ && s_.switchFault == SwitchFault::DeafPings) {
        log_.host(f.wire, "ping, not heard (fault)");
        return;
    }
    log_.host(f.wire, ping ? std::string("ping") : name);
    if (f.id == kPidBaudRequest && s_.switchSpeed && s_.switchFault == SwitchFault::Nak) {
        send(encodeReply(kPidNak, f.id), "NAK " + std::to_string(f.id) + " [switch fault]");
        return;
    }
    send(encodeReply(kPidAck, f.id), "ACK " + std::to_string(f.id));
    if (f.id == kPidBaudRequest) {
        speedRequested(f, now_);
        return;
    }
    if (ping) {
        pinged();
        return;
    }
    handleRequest(f);
}

void GarminReceiver::handleRequest(const HostFrame& f) {
    if (f.id == kPidProductRqst) {
        const bool plain = std::all_of(f.data.begin(), f.data.end(), [](auto b) { return b == 0; });
        if (plain && f.data.size() <= 2) request(Transfer::Product);
        return;
    }
    if (f.id != dialect_.pidCommand) {
        if (f.id == 10 || f.id == 11) log_.event("not a command under this link protocol");
        return;
    }
    const std::uint16_t command = readU16(f.data, 0);
    if (command == kCmdTransferTrk) {
        request(Transfer::Track);
    } else if (command == kCmdAbortTransfer) {
        abortTransfer();
    }
}

void GarminReceiver::handleAnswer(const HostFrame& f) {
    if (owed_ > 0) {
        --owed_;
        log_.event("answer to an earlier copy of an acknowledged packet");
        return;
    }
    if (!awaiting_) return;
    if (inFlight_ > 0) --inFlight_;
    if (f.id == kPidNak) {
        resend("refused");
        return;
    }
    const OutPacket& p = packets_[current_];
    if (!f.data.empty() && f.data[0] != p.id) {
        log_.event("acknowledges packet " + std::to_string(f.data[0]) + ", not " +
                   std::to_string(p.id) + "; ignored");
        return;
    }
    if (ignoreNextAck_) {
        ignoreNextAck_ = false;
        log_.event("acknowledgement ignored (fault)");
        return;
    }
    advance();
}

void GarminReceiver::request(Transfer t) {
    if (active_ == t || std::find(pending_.begin(), pending_.end(), t) != pending_.end()) {
        log_.event("request repeated while it is being answered");
        return;
    }
    pending_.push_back(t);
    if (active_ == Transfer::None) startNextTransfer();
}

void GarminReceiver::startNextTransfer() {
    if (pending_.empty()) return;
    active_ = pending_.front();
    pending_.pop_front();
    packets_.clear();
    if (active_ == Transfer::Product) {
        packets_.push_back(productDataPacket(kProductId, kSoftwareVersion, kDescription));
        if (s_.caps != Caps::None) packets_.push_back(protocolArrayPacket(s_.caps));
    } else {
        packets_ = trackTransfer(dialect_, track_, s_.countOffset, s_.claimRecords);
    }
    current_ = 0;
    attempts_ = 0;
    transmit();
}

void GarminReceiver::abortTransfer() {
    if (active_ == Transfer::None && pending_.empty()) return;
    log_.event("transfer aborted by the host");
    owed_ += inFlight_;
    inFlight_ = 0;
    awaiting_ = false;
    deadline_.reset();
    active_ = Transfer::None;
    pending_.clear();
    packets_.clear();
}

void GarminReceiver::send(Bytes wire, std::string note) {
    if (silent_) return;
    line_.send(std::move(wire), std::move(note));
}

Bytes GarminReceiver::corrupted(const OutPacket& p, std::uint64_t detail) const {
    Bytes body{static_cast<std::uint8_t>(p.data.size())};
    body.insert(body.end(), p.data.begin(), p.data.end());
    body.push_back(garminChecksum(p.id, p.data));
    // Change one data or checksum byte so that framing stays intact and only the checksum
    // test can catch it: never touch a DLE, never make one.
    std::size_t at = 1 + detail % (body.size() - 1);
    for (std::size_t tries = 0; body[at] == kDle && tries < body.size(); ++tries)
        at = 1 + at % (body.size() - 1);
    std::uint8_t mask = static_cast<std::uint8_t>(1u << (detail >> 8) % 8);
    if ((body[at] ^ mask) == kDle || body[at] == kDle) mask = body[at] == 0x11 ? 0x02 : 0x01;
    body[at] ^= mask;
    return stuffFrame(p.id, body);
}

void GarminReceiver::transmit() {
    const OutPacket& p = packets_[current_];
    const long index = active_ == Transfer::Track ? static_cast<long>(current_) : -1;
    const Fault fault = index >= 0 ? faults_.decide(index, attempts_) : Fault::None;
    std::string note = packetName(p.id);
    if (index >= 0) note += " #" + std::to_string(index);
    if (attempts_ > 0) note += " (resend " + std::to_string(attempts_) + ")";
    transmitWithFault(fault, index, encodeFrame(p.id, p.data), note);
    ++attempts_;
    awaiting_ = true;
    deadline_.reset();
    if (s_.silentAfter && index == *s_.silentAfter && !silent_) {
        silent_ = true;
        log_.event("silent from now on");
    }
}

void GarminReceiver::transmitWithFault(Fault fault, long index, const Bytes& wire,
                                       const std::string& note) {
    const std::uint64_t detail = index >= 0 ? faults_.detail(index, attempts_) : 0;
    const std::string tagged = note + " [" + faultName(fault) + "]";
    switch (fault) {
        case Fault::None:
            send(wire, note);
            break;
        case Fault::Corrupt:
            send(corrupted(packets_[current_], detail), tagged);
            break;
        case Fault::Drop:
            log_.event("not sent: " + tagged);
            return;
        case Fault::DropAck:
            ignoreNextAck_ = true;
            send(wire, tagged);
            break;
        case Fault::Duplicate:
            send(wire, note);
            send(wire, tagged);
            ++inFlight_;
            break;
        case Fault::Noise:
            send(noiseBytes(detail), "noise");
            send(wire, tagged);
            break;
    }
    ++inFlight_;
}

void GarminReceiver::resend(const char* reason) {
    const OutPacket& p = packets_[current_];
    if (attempts_ > s_.maxResends) {
        status_ = Status::GaveUp;
        failure_ = "gave up: the host did not acknowledge the " + packetName(p.id) + " packet" +
                   (active_ == Transfer::Track ? " #" + std::to_string(current_) : "") + " (id " +
                   std::to_string(p.id) + ") after " + std::to_string(s_.maxResends) + " resends";
        log_.event(failure_);
        return;
    }
    log_.event(std::string("resending: ") + reason);
    transmit();
}

void GarminReceiver::advance() {
    owed_ += inFlight_;
    inFlight_ = 0;
    awaiting_ = false;
    deadline_.reset();
    ignoreNextAck_ = false;
    attempts_ = 0;
    if (++current_ < packets_.size()) {
        transmit();
        return;
    }
    const bool trackDone = active_ == Transfer::Track;
    active_ = Transfer::None;
    packets_.clear();
    if (trackDone) {
        log_.event("track transfer complete");
        if (s_.once) {
            // A host that moved the receiver's speed moves it back after the track: the
            // receiver stays for that, up to a few seconds.
            if (!s_.switchSpeed || (line_.speed() == s_.startSpeed && !pingsDue_)) {
                status_ = Status::Done;
                return;
            }
            doneBy_ = now_ + kBackWait;
            return;
        }
    }
    startNextTransfer();
}

// The host asks for a speed: the receiver answers the highest standard rate it accepts that
// is not above the request, sent once (a receiver whose answer is not acknowledged keeps
// its speed).
void GarminReceiver::speedRequested(const HostFrame& f, TimePoint now) {
    if (!s_.switchSpeed) {
        log_.event("speed request not known; ignored");
        return;
    }
    if (s_.switchFault == SwitchFault::Ignore) {
        log_.event("speed request ignored (fault)");
        return;
    }
    const std::uint32_t asked = readU32(f.data, 0);
    int speed = kStandardRates[0];
    for (const int rate : kStandardRates)
        if (static_cast<std::uint32_t>(rate) <= asked && rate <= *s_.switchSpeed) speed = rate;
    std::uint32_t answer = clockRate(speed);
    if (s_.switchFault == SwitchFault::Rate) answer = s_.switchAnswer;
    if (s_.switchFault == SwitchFault::Late) {
        lateAnswerAt_ = now + kLateAnswer;
        lateRate_ = answer;
        lateSpeed_ = speed;
        log_.event("speed request: answering in three seconds (fault)");
        return;
    }
    answerSpeed(answer, speed);
}

void GarminReceiver::answerSpeed(std::uint32_t rate, int speed) {
    Bytes data;
    putU32(data, rate);
    send(encodeFrame(kPidBaudAccept, data), "speed accepted: " + std::to_string(rate));
    // A rate outside every standard one is no speed the receiver can go to.
    offered_ = s_.switchFault == SwitchFault::Rate ? std::optional<int>() : std::optional(speed);
    offerExpires_.reset();
}

// The host's acknowledgement of the answer: the receiver changes its speed and waits for the
// pings. True when `f` was that acknowledgement (or a refusal of the answer).
bool GarminReceiver::speedAnswerAcknowledged(const HostFrame& f, TimePoint now) {
    if (f.data.empty() || f.data[0] != kPidBaudAccept) return false;
    if (!offered_ && !offerExpires_) {
        log_.event("no speed answer outstanding; ignored");
        return true;
    }
    const std::optional<int> speed = offered_;
    offered_.reset();
    offerExpires_.reset();
    if (f.id != kPidAck || !speed) return true;
    changeSpeed(*speed, "speed answer acknowledged");
    pingsDue_ = now + kPingWindow;
    pings_ = 0;
    return true;
}

void GarminReceiver::pinged() {
    if (!pingsDue_) return;
    if (++pings_ < 2) return;
    pingsDue_.reset();
    log_.event("both pings heard: the speed holds");
}

void GarminReceiver::changeSpeed(int speed, const std::string& why) {
    log_.event(why + ": line now at " + std::to_string(speed) + " bit/s");
    line_.setSpeed(speed);
}

void GarminReceiver::speedTime(TimePoint now) {
    if (lateAnswerAt_ && now >= *lateAnswerAt_) {
        lateAnswerAt_.reset();
        answerSpeed(lateRate_, lateSpeed_);
    }
    // An answer waits for its acknowledgement as long as any packet does.
    if (offered_ && !offerExpires_ && line_.outputIdle()) offerExpires_ = now + s_.ackTimeout;
    if (offerExpires_ && now >= *offerExpires_) {
        offered_.reset();
        offerExpires_.reset();
        log_.event("speed answer not acknowledged: the speed stays");
    }
    if (pingsDue_ && now >= *pingsDue_) {
        pingsDue_.reset();
        changeSpeed(s_.startSpeed, "pings missing after two seconds");
    }
    if (doneBy_ && line_.speed() == s_.startSpeed && !pingsDue_ && line_.outputIdle()) {
        doneBy_.reset();
        status_ = Status::Done;
    } else if (doneBy_ && now >= *doneBy_) {
        // The next program would find the receiver at a speed the user did not set.
        doneBy_.reset();
        status_ = Status::GaveUp;
        failure_ = "the host left the receiver at " + std::to_string(line_.speed()) + " bit/s";
        log_.event(failure_);
    }
}

std::string GarminReceiver::onStop() const {
    if (!s_.switchSpeed || line_.speed() == s_.startSpeed) return {};
    return "stopped at " + std::to_string(line_.speed()) + " bit/s, not " +
           std::to_string(s_.startSpeed);
}

void GarminReceiver::onTime(TimePoint now) {
    if (status_ != Status::Serving) return;
    speedTime(now);
    if (!awaiting_ || silent_ || status_ != Status::Serving) return;
    if (!deadline_) {
        // The host cannot answer before the last byte is out, so the wait starts then.
        if (line_.outputIdle()) deadline_ = now + s_.ackTimeout;
        return;
    }
    if (now < *deadline_) return;
    inFlight_ = 0;
    resend("no acknowledgement");
}

std::optional<TimePoint> GarminReceiver::nextDeadline() const {
    std::optional<TimePoint> next;
    auto consider = [&next](std::optional<TimePoint> t) {
        if (t && (!next || *t < *next)) next = t;
    };
    consider(lateAnswerAt_);
    consider(offerExpires_);
    consider(pingsDue_);
    consider(doneBy_);
    if (offered_ && !offerExpires_ && line_.outputIdle()) consider(TimePoint::min());
    if (!awaiting_ || silent_ || status_ != Status::Serving) return next;
    if (!deadline_) {
        if (line_.outputIdle()) consider(TimePoint::min());
        return next;
    }
    consider(deadline_);
    return next;
}

}  // namespace ksim
