// UsbLink: see usb_link.h.
#include "garmin/usb_link.h"

#include <algorithm>

#include "garmin/packet_io.h"
#include "garmin/serial_link.h"

namespace garmin {

namespace {

constexpr int kTicksBeforeTimeout = 3;
// Packets the application layer may send before the session starts: a download asks
// for the product data a few times while the unit wakes up.
constexpr std::size_t kMaxQueued = 8;

// The application packet in the engine's array form. Ids above 255 belong to nothing the
// engine asks for; data beyond 255 bytes is kept, the size byte says 255.
Packet arrayForm(const UsbPacket& packet) {
    Packet out;
    out.reserve(packet.data.size() + kMinPacket);
    out.push_back(kDle);
    out.push_back(static_cast<std::uint8_t>(packet.id));
    out.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(packet.data.size(), 255)));
    out.insert(out.end(), packet.data.begin(), packet.data.end());
    out.insert(out.end(), {0, kDle, kEtx});
    out[out.size() - 3] = SerialLink::checksum(out);
    return out;
}

}  // namespace

UsbLink::UsbLink(seams::UsbPort& port, ReplyTimer& timer, const LinkContext& context)
    : port_(port), timer_(timer), context_(context) {}

bool UsbLink::open() {
    if (!port_.isOpen()) return false;
    if (starting_ || session_) return true;
    starts_ = 0;
    startSession();
    return true;
}

void UsbLink::close() {
    timer_.disarm();
    assembler_.clear();
    queued_.clear();
    starting_ = session_ = bulk_ = awaiting_ = false;
    starts_ = ticks_ = 0;
    if (port_.isOpen()) port_.close();
}

void UsbLink::startSession() {
    ++starts_;
    starting_ = true;
    write(usbPacketBytes(kUsbProtocolLayer, kUsbStartSession, {}));
    ticks_ = 0;
    timer_.arm();
    readNext();
}

void UsbLink::sessionStarted() {
    session_ = true;
    starting_ = false;
    starts_ = 0;
    timer_.disarm();
    ticks_ = 0;
    for (auto& [packet, noReply] : std::exchange(queued_, {})) sendNow(packet, noReply);
}

void UsbLink::send(const Packet& packet, bool responseNotNeeded) {
    if (!port_.isOpen() || packet.size() < kMinPacket) return;
    if (session_) {
        sendNow(packet, responseNotNeeded);
        return;
    }
    const bool known = std::any_of(queued_.begin(), queued_.end(),
                                   [&packet](const auto& q) { return q.first == packet; });
    if (!known && queued_.size() < kMaxQueued) queued_.emplace_back(packet, responseNotNeeded);
    // A session that went unanswered is tried anew for a new request.
    if (!starting_) {
        starts_ = 0;
        startSession();
    }
}

void UsbLink::sendNow(const Packet& packet, bool responseNotNeeded) {
    const std::string_view data(reinterpret_cast<const char*>(packet.data()) + kDataStart,
                                packet.size() - kMinPacket);
    write(usbPacketBytes(kUsbApplicationLayer, packet[1], data));
    awaitAnswer(!responseNotNeeded && !isNoReplyCommand(context_.ids, context_.commands, packet));
    readNext();
}

// The unit takes a write that fills whole endpoint packets as unfinished until a
// zero-length packet ends it.
void UsbLink::write(const std::string& bytes) {
    hexTrace(context_.hexDebug, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
             'O');
    port_.write(bytes);
    const std::size_t packetSize = port_.packetSize();
    if (packetSize > 0 && bytes.size() % packetSize == 0) port_.write(std::string());
}

void UsbLink::awaitAnswer(bool awaited) {
    awaiting_ = awaited;
    ticks_ = 0;
    if (awaited)
        timer_.arm();
    else
        timer_.disarm();
}

// One read at a time, and only while something is due: the session's answer, an answer
// or more of a transfer, the rest of a packet, or the bulk endpoint's data announced.
// Requests sent while a transfer is handled go out before the next read is asked for:
// some hosts' USB stacks take one transfer at a time.
void UsbLink::readNext() {
    if (handling_ || !port_.isOpen() || port_.reading()) return;
    if (bulk_)
        port_.read(seams::UsbEndpoint::Bulk);
    else if (starting_ || awaiting_ || assembler_.size() > 0)
        port_.read(seams::UsbEndpoint::Interrupt);
}

void UsbLink::onPortEvent() {
    const int kind = port_.commEvent();
    if (kind > kCommErrorThreshold) {
        // The unit went away: the port is closed, and nothing of it is due any more.
        timer_.disarm();
        assembler_.clear();
        starting_ = session_ = bulk_ = awaiting_ = false;
        return;
    }
    if (kind != kCommEvReceive) return;
    if (const auto read = port_.takeRead()) {
        handling_ = true;
        handleTransfer(*read);
        handling_ = false;
    }
    readNext();
}

// A unit may answer on either endpoint: packets count wherever they come from. The
// endpoint read next follows Data Available and the bulk endpoint's zero-length transfer.
void UsbLink::handleTransfer(const seams::UsbRead& read) {
    if (read.bytes.empty()) {
        if (read.endpoint == seams::UsbEndpoint::Bulk) bulk_ = false;
        return;
    }
    assembler_.append(read.bytes);
    for (UsbPacket packet; port_.isOpen();) {
        const auto result = assembler_.next(packet);
        if (result == UsbPacketAssembler::Result::Incomplete) return;
        if (result == UsbPacketAssembler::Result::Invalid) {
            context_.host.onLinkError(LinkError::CorruptPacketsExhausted,
                                      onUnit("Invalid message received from device on "));
            return;
        }
        handlePacket(packet);
    }
}

void UsbLink::handlePacket(const UsbPacket& packet) {
    if (context_.hexDebug) {
        const std::string bytes = usbPacketBytes(packet.type, packet.id, packet.data);
        hexTrace(context_.hexDebug, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                 bytes.size(), 'I');
    }
    if (packet.type == kUsbProtocolLayer) {
        if (packet.id == kUsbSessionStarted && starting_) sessionStarted();
        if (packet.id == kUsbDataAvailable) bulk_ = true;
        return;
    }
    // Until the session has started, everything else is left alone.
    if (packet.type == kUsbApplicationLayer && session_ && packet.id <= 255)
        handleApplicationPacket(packet);
}

void UsbLink::handleApplicationPacket(const UsbPacket& packet) {
    const auto id = static_cast<std::uint8_t>(packet.id);
    // The capability report follows the product data unasked.
    awaitAnswer(announcesMore(context_.ids, id) || id == context_.ids.PID_Product_Data);
    // The end of a transfer is the last thing read: the zero-length transfer behind it is
    // left to the unit, so that no read stays asked for once the track is complete.
    if (id == context_.ids.PID_Xfer_Cmplt) bulk_ = false;
    context_.user.onLinkPacket(arrayForm(packet));
}

void UsbLink::onTimerTick() {
    if (starting_) {
        if (starts_ < kStartAttempts) {
            startSession();
            return;
        }
        starting_ = false;
        noAnswer();
        return;
    }
    if (!awaiting_ || ++ticks_ <= kTicksBeforeTimeout) return;
    awaiting_ = false;
    noAnswer();
}

void UsbLink::noAnswer() {
    ticks_ = 0;
    timer_.disarm();
    context_.host.onLinkError(LinkError::NoAnswer, onUnit("No response from device on "));
}

}  // namespace garmin
