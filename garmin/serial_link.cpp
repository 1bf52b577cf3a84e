// SerialLink: see serial_link.h.
#include "garmin/serial_link.h"

#include <algorithm>

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

std::string SerialLink::sentenceChecksum(const std::string& msg) {
    // Everything between the first character (normally "$") and the first "*".
    const std::size_t star = std::min(msg.find('*'), msg.size());
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(msg[i]);
    constexpr char kHex[] = "0123456789ABCDEF";
    return {kHex[(sum >> 4) & 0x0F], kHex[sum & 0x0F]};
}

SerialLink::SerialLink(SerialPort& port, ReplyTimer& timer, const LinkContext& context,
                       const SentenceListener& nmea)
    : port_(port), timer_(timer), context_(context), nmea_(nmea) {}

bool SerialLink::open() {
    // An open port keeps the settings it was opened with.
    if (port_.isOpen()) return true;
    port_.open(context_.port.number, settings);
    return port_.isOpen();
}

void SerialLink::close() {
    timer_.disarm();
    // What was left half-read belongs to the closed session; kept, a stray line feed after
    // NMEA sentences would spoil the first frame of the next one.
    rx_.clear();
    if (port_.isOpen()) {
        port_.discardInput();
        port_.close();
    }
}

std::uint8_t SerialLink::checksum(const Packet& packet) {
    // Identifier, size and data by position: the size byte is not trusted to find the end.
    unsigned sum = 0;
    for (std::size_t i = 1; i + 3 < packet.size(); ++i) sum += packet[i];
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

void SerialLink::send(const Packet& packet, bool responseNotNeeded) {
    if (!port_.isOpen() || packet.size() < kMinPacket) return;
    const std::size_t checksumAt = packet.size() - 3;
    const std::uint8_t sum = checksum(packet);
    Packet work = packet;  // `packet` may be lastPacket_ itself (a resend)
    work[checksumAt] = sum;
    lastPacket_ = work;

    Packet wire = {kDle, work[1]};
    wire.reserve(work.size() * 2);
    for (std::size_t i = 2; i <= checksumAt; ++i) {
        wire.push_back(work[i]);
        if (work[i] == kDle) wire.push_back(kDle);
    }
    wire.push_back(kDle);
    wire.push_back(kEtx);
    hexTrace(context_.hexDebug, wire.data(), wire.size(), 'O');
    port_.write(std::string(wire.begin(), wire.end()));

    // Only acknowledgements expect nothing back; a refusal is answered like a request.
    if (work[1] != context_.ids.PID_Ack_Byte) timer_.arm();
    if (isNoReplyCommand(context_.ids, context_.commands, work) || responseNotNeeded)
        timer_.disarm();
}

Packet SerialLink::reply(std::uint8_t replyId, std::uint8_t id) const {
    return {kDle, replyId, 2, id, 0, 0, kDle, kEtx};
}

void SerialLink::acknowledge(std::uint8_t id) {
    send(reply(context_.ids.PID_Ack_Byte, id), false);
}

void SerialLink::onPortEvent() {
    const int kind = port_.commEvent();
    if (kind == kCommEvReceive) {
        rx_.append(port_.readAll());
        handleInput();
    } else if (kind > kCommErrorThreshold) {
        // A break or overrun has damaged whatever partial frame is buffered.
        port_.discardInput();
        rx_.clear();
    }
}

// The unit may deliver several frames in one read, and each waits for its
// acknowledgement: nothing complete may stay behind until more input happens to come.
// Handlers called from here may run this again, nested; every step therefore takes
// its input from rx_ afresh and consumes it before calling out.
void SerialLink::handleInput() {
    for (;;) {
        if (rx_.findFrameEnd() != RxBuffer::npos) {
            handleFrame();
        } else if (!handleSentence()) {
            return;
        }
    }
}

void SerialLink::handleFrame() {
    Packet packet;
    if (!parse(packet)) return;
    nmeaMode_ = false;
    context_.user.onLinkPacket(packet);
}

bool SerialLink::handleSentence() {
    const std::size_t lineEnd = rx_.findLineEnd();
    std::size_t start = rx_.findDollar();
    bool isText = false;
    if (start == RxBuffer::npos) {
        start = rx_.findAt();
        isText = true;
    }
    if (start == RxBuffer::npos || lineEnd == RxBuffer::npos) return false;
    if (lineEnd < start) {
        // Lines before the sentence start are noise; drop up to the CR of the last one.
        rx_.consume(rx_.view().rfind("\r\n", start - 1) + 1);
        return true;
    }
    std::string sentence(rx_.view().substr(start, lineEnd - start));
    rx_.consume(lineEnd + 1);  // the LF stays in front
    timeoutTicks_ = 0;
    nmeaMode_ = true;

    bool matched = false;
    const std::size_t n = sentence.size();
    // TEXT sentences carry no checksum.
    if (!ignoreChecksum && !isText && n >= 3 && sentence[n - 3] == '*') {
        matched = sentence.compare(n - 2, 2, sentenceChecksum(sentence)) == 0;
        if (!matched && ++checksumErrors_ > kMaxChecksumErrors) {
            checksumErrors_ = 0;
            context_.host.onChecksumErrors(
                onPort("There have been more than 50 check sum errors on port ") +
                "\r\nVerify that your receiver is putting out check sums");
        }
    }
    if (nmea_) nmea_(sentence, matched);
    context_.host.onSentence();
    return true;
}

bool SerialLink::parse(Packet& packet) {
    const std::size_t end = rx_.findFrameEnd();
    if (end == RxBuffer::npos) return false;
    const std::string_view frame = rx_.view().substr(0, end + 1);
    // Stray bytes in front of a frame make it unreadable; the unit repeats it.
    if (static_cast<std::uint8_t>(frame[0]) != kDle) {
        rx_.consume(end + 1);
        return false;
    }
    packet = undouble(frame);
    rx_.consume(end + 1);
    hexTrace(context_.hexDebug, packet.data(), packet.size(), 'I');
    if (packet.size() < kMinPacket) return false;  // not even room for a checksum
    // A speed answer nobody waits for any more is left unanswered, so the unit keeps
    // its speed, and it is no answer to anything else.
    if (packet[1] == kPidBaudAccept && !baudAwaited_) return false;

    timer_.disarm();
    timeoutTicks_ = 0;
    if (announcesMore(context_.ids, packet[1])) timer_.arm();

    if (packet[1] == context_.ids.PID_Ack_Byte) {
        resends_.forget();
        return true;
    }
    if (packet[1] == context_.ids.PID_Nak_Byte) {
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
    if (checksum(packet) != packet[packet.size() - 3]) {
        answerCorruptFrame(packet);
        return false;
    }
    return answerGoodFrame(packet);
}

bool SerialLink::refusesBaudRequest() const {
    return baudAwaited_ && lastPacket_.size() >= kMinPacket && lastPacket_[1] == kPidBaudRequest;
}

void SerialLink::answerRefusal() {
    if (++retryCount_ <= kMaxRetries) {
        send(lastPacket_, false);
        return;
    }
    retryCount_ = 0;
    context_.host.onLinkError(LinkError::ResendsExhausted,
                              onPort("Unable to communicate with device on port "));
}

// Returns false for a resend: acknowledged again, so that the unit moves on, but
// neither decoded nor handed up a second time.
bool SerialLink::answerGoodFrame(const Packet& packet) {
    retryCount_ = 0;
    // Position and display streams are never acknowledged, so never resent either.
    const std::uint8_t id = packet[1];
    if (id == context_.ids.PID_Pvt_Data || id == context_.ids.PID_Display_Data) {
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
    send(reply(context_.ids.PID_Ack_Byte, id), false);
    resends_.acknowledged(packet);
    return !resend;
}

// Our last word to the unit was an acknowledgement or a refusal of a garbled frame,
// not a request: whatever it sends now is its next packet or a resend, never an answer.
bool SerialLink::lastSentWasAnswer() const {
    if (lastPacket_.size() < kMinPacket) return false;
    const std::uint8_t lastSent = lastPacket_[1];
    return lastSent == context_.ids.PID_Ack_Byte || lastSent == context_.ids.PID_Nak_Byte;
}

void SerialLink::answerCorruptFrame(const Packet& packet) {
    if (++retryCount_ <= kMaxRetries) {
        const std::uint8_t id = packet[1];
        if (id != context_.ids.PID_Pvt_Data && id != context_.ids.PID_Display_Data)
            send(reply(context_.ids.PID_Nak_Byte, id), false);
        return;
    }
    retryCount_ = 0;
    context_.host.onLinkError(LinkError::CorruptPacketsExhausted,
                              onPort("Invalid message received from device on port "));
}

void SerialLink::onTimerTick() {
    if (++timeoutTicks_ <= kTicksBeforeTimeout) return;
    timeoutTicks_ = 0;
    timer_.disarm();
    rx_.clear();
    context_.host.onLinkError(LinkError::NoAnswer,
                              nmeaMode_ ? onPort("No longer receiving NMEA/TEXT data on port ")
                                        : onPort("No response from device on port "));
}

}  // namespace garmin
