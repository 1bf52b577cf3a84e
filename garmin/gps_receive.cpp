// cGarminGPS: the receiving half of the link. Cuts frames and NMEA/TEXT sentences out
// of the received bytes, answers frames with acknowledgements or refusals, resends on
// the receiver's refusal, hands the host every accepted packet decoded, and turns a
// silent receiver into a link error.
#include "garmin/gps.h"
#include "garmin/packet_io.h"

namespace garmin {

namespace {

// Both sides refuse at most five times in a row before the link counts as broken.
constexpr std::int32_t kMaxRetries = 5;
constexpr std::int16_t kMaxChecksumErrors = 50;
constexpr std::int32_t kTicksBeforeTimeout = 3;

// Keeps the first of every doubled 16; a 16 after a dropped one starts a new pair.
Packet undouble(std::string_view frame) {
    Packet packet;
    packet.reserve(frame.size());
    bool lastWasKeptDle = false;
    for (const char c : frame) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte == kDle && lastWasKeptDle) {
            lastWasKeptDle = false;
            continue;
        }
        packet.push_back(byte);
        lastWasKeptDle = byte == kDle;
    }
    return packet;
}

}  // namespace

void cGarminGPS::KelvComm_OnComm() {
    const int kind = port_.commEvent();
    if (kind == kCommEvReceive) {
        Rx_Buffer.append(port_.readAll());
        handleInput();
    } else if (kind > kCommErrorThreshold) {
        // A break or overrun has damaged whatever partial frame is buffered.
        port_.discardInput();
        Rx_Buffer.clear();
    }
}

// The receiver may deliver several frames in one read, and each waits for its
// acknowledgement: nothing complete may stay behind until more input happens to come.
// Handlers called from here may run this again, nested; every step therefore takes
// its input from Rx_Buffer afresh and consumes it before calling out.
void cGarminGPS::handleInput() {
    for (;;) {
        if (Rx_Buffer.findFrameEnd() != RxBuffer::npos) {
            handleFrame();
        } else if (!handleSentence()) {
            return;
        }
    }
}

void cGarminGPS::handleFrame() {
    Packet packet;
    if (!Parse_Packet(packet)) return;
    NMEA_Mode = false;
    host_.onPacket(Dispatch_Packet(packet));
}

bool cGarminGPS::handleSentence() {
    const std::size_t lineEnd = Rx_Buffer.findLineEnd();
    std::size_t start = Rx_Buffer.findDollar();
    bool isText = false;
    if (start == RxBuffer::npos) {
        start = Rx_Buffer.findAt();
        isText = true;
    }
    if (start == RxBuffer::npos || lineEnd == RxBuffer::npos) return false;
    if (lineEnd < start) {
        // Lines before the sentence start are noise; drop up to the CR of the last one.
        Rx_Buffer.consume(Rx_Buffer.view().rfind("\r\n", start - 1) + 1);
        return true;
    }
    std::string sentence(Rx_Buffer.view().substr(start, lineEnd - start));
    Rx_Buffer.consume(lineEnd + 1);  // the LF stays in front
    Timeout_Ticks = 0;
    NMEA_Mode = true;

    bool matched = false;
    const std::size_t n = sentence.size();
    // TEXT sentences carry no checksum.
    if (!IgnoreCheckSum_ && !isText && n >= 3 && sentence[n - 3] == '*') {
        matched = sentence.compare(n - 2, 2, NMEA_Checksum(sentence)) == 0;
        if (!matched && ++Checksum_Errors > kMaxChecksumErrors) {
            Checksum_Errors = 0;
            host_.onChecksumErrors(
                onPort("There have been more than 50 check sum errors on port ") +
                "\r\nVerify that your receiver is putting out check sums");
        }
    }
    if (NMEA) NMEA(sentence, matched);
    host_.onSentence();
    return true;
}

bool cGarminGPS::Parse_Packet(Packet& packet) {
    const std::size_t end = Rx_Buffer.findFrameEnd();
    if (end == RxBuffer::npos) return false;
    const std::string_view frame = Rx_Buffer.view().substr(0, end + 1);
    // Stray bytes in front of a frame make it unreadable; the receiver repeats it.
    if (static_cast<std::uint8_t>(frame[0]) != kDle) {
        Rx_Buffer.consume(end + 1);
        return false;
    }
    packet = undouble(frame);
    Rx_Buffer.consume(end + 1);
    Hex_Trace(packet, 'I');
    if (packet.size() < kMinPacket) return false;  // not even room for a checksum
    // A speed answer nobody waits for any more is left unanswered, so the receiver keeps
    // its speed, and it is no answer to anything else.
    if (packet[1] == kPidBaudAccept && !baudAwaited_) return false;

    timer_.disarm();
    Timeout_Ticks = 0;
    if (announcesMore(packet[1])) timer_.arm();

    if (packet[1] == ids_.PID_Ack_Byte) {
        resends_.forget();
        return true;
    }
    if (packet[1] == ids_.PID_Nak_Byte) {
        resends_.forget();
        if (refusesBaudRequest()) {
            baudAwaited_ = false;  // the host hears of it; a resend would be refused again
            return true;
        }
        answerRefusal();
        return true;
    }
    // After a request of ours the same bytes as before are a fresh answer.
    if (!lastSentWasAnswer()) resends_.forget();
    // A size byte of 0 in front of data is written over with the real count, so the
    // checksum decides whether the frame is whole.
    const std::size_t dataCount = packet.size() - kMinPacket;
    if (packet[2] == 0 && dataCount > 0 && dataCount <= 255) {
        packet[2] = static_cast<std::uint8_t>(dataCount);
    }
    if (Packet_Checksum(packet) != packet[packet.size() - 3]) {
        answerCorruptFrame(packet);
        return false;
    }
    return answerGoodFrame(packet);
}

bool cGarminGPS::announcesMore(std::uint8_t id) const {
    return id == ids_.PID_Prx_Wpt_Data || id == ids_.PID_Records || id == ids_.PID_Rte_Hdr ||
           id == ids_.PID_Rte_Link || id == ids_.PID_Rte_Wpt_Data || id == ids_.PID_Trk_Hdr ||
           id == ids_.PID_Trk_Data || id == ids_.PID_Wpt_Data || id == ids_.PID_Pvt_Data;
}

bool cGarminGPS::refusesBaudRequest() const {
    return baudAwaited_ && Last_Packet_.size() >= kMinPacket && Last_Packet_[1] == kPidBaudRequest;
}

void cGarminGPS::answerRefusal() {
    if (++Retry_Count <= kMaxRetries) {
        Send(Last_Packet_);
        return;
    }
    Retry_Count = 0;
    host_.onLinkError(LinkError::ResendsExhausted,
                      onPort("Unable to communicate with device on port "));
}

// Returns false for a resend: acknowledged again, so that the receiver moves on, but
// neither decoded nor handed to the host a second time.
bool cGarminGPS::answerGoodFrame(const Packet& packet) {
    Retry_Count = 0;
    // Position and display streams are never acknowledged, so never resent either.
    const std::uint8_t id = packet[1];
    if (id == ids_.PID_Pvt_Data || id == ids_.PID_Display_Data) {
        resends_.forget();
        return true;
    }
    // The speed answer waits for the host's decision.
    if (id == kPidBaudAccept) {
        baudAwaited_ = false;
        resends_.forget();
        return true;
    }
    const bool resend = resends_.isRepeat(packet);
    Ack_Packet[kDataStart] = id;
    Send(Ack_Packet);
    resends_.acknowledged(packet);
    return !resend;
}

// Our last word to the receiver was an acknowledgement or a refusal of a garbled frame,
// not a request: whatever it sends now is its next packet or a resend, never an answer.
bool cGarminGPS::lastSentWasAnswer() const {
    if (Last_Packet_.size() < kMinPacket) return false;
    const std::uint8_t lastSent = Last_Packet_[1];
    return lastSent == ids_.PID_Ack_Byte || lastSent == ids_.PID_Nak_Byte;
}

void cGarminGPS::answerCorruptFrame(const Packet& packet) {
    if (++Retry_Count <= kMaxRetries) {
        const std::uint8_t id = packet[1];
        Nak_Packet[kDataStart] = id;
        if (id != ids_.PID_Pvt_Data && id != ids_.PID_Display_Data) Send(Nak_Packet);
        return;
    }
    Retry_Count = 0;
    host_.onLinkError(LinkError::CorruptPacketsExhausted,
                      onPort("Invalid message received from device on port "));
}

// Decoded by the identifiers in force: a capability report may have changed them.
PacketEvent cGarminGPS::Dispatch_Packet(const Packet& packet) {
    const std::uint8_t id = packet[1];
    if (id == kPidBaudAccept) return BaudAccepted{PacketReader(packet).u32(0)};
    if (id == ids_.PID_Records) return RecordsAnnounced{Parse_Records_Count(packet)};
    if (id == ids_.PID_Product_Data) return Parse_Product_Data(packet);
    if (id == ids_.PID_Protocol_Array) {
        Parse_Protocol_Array(packet);
        return CapabilityReport{};
    }
    if (id == ids_.PID_Trk_Hdr) return Receive_Track_Header(packet);
    if (id == ids_.PID_Trk_Data) return Parse_Track_Point(packet);
    if (id == ids_.PID_Xfer_Cmplt) return TransferComplete{};
    const bool answer = id == ids_.PID_Ack_Byte || id == ids_.PID_Nak_Byte;
    return OtherPacket{id, answer ? PacketReader(packet).u8(0) : std::uint8_t{0}};
}

void cGarminGPS::KelvTmrTimeout_Timer() {
    if (++Timeout_Ticks <= kTicksBeforeTimeout) return;
    Timeout_Ticks = 0;
    timer_.disarm();
    Rx_Buffer.clear();
    host_.onLinkError(LinkError::NoAnswer,
                      NMEA_Mode ? onPort("No longer receiving NMEA/TEXT data on port ")
                                : onPort("No response from device on port "));
}

std::string cGarminGPS::onPort(const char* text) const {
    return text + (portName_.empty() ? std::to_string(Port_) : portName_);
}

}  // namespace garmin
