// UsbUnit: see usb_unit.h.
#include "tools/sim/usb_unit.h"

#include <utility>

namespace ksim {

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::uint8_t kProtocolLayer = 0;
constexpr std::uint8_t kApplicationLayer = 20;
constexpr std::uint16_t kDataAvailable = 2;
constexpr std::uint16_t kStartSession = 5;
constexpr std::uint16_t kSessionStarted = 6;
constexpr std::uint32_t kUnitId = 0x4B45'4C56;
// A size no packet of ours comes near: the host must refuse it, not wait for it.
constexpr std::uint32_t kGarbledSize = 16u << 20;

std::string usbPacket(std::uint8_t type, std::uint16_t id, const Bytes& data,
                      std::uint32_t claimed) {
    Bytes header;
    putU32(header, type);
    putU32(header, id);
    putU32(header, claimed);
    std::string out(header.begin(), header.end());
    out.append(data.begin(), data.end());
    return out;
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

}  // namespace

UsbUnit::UsbUnit(UsbUnitSettings settings, const Track& track)
    : s_(std::move(settings)), track_(track), dialect_(dialectFor(s_.caps)) {}

void UsbUnit::close() {
    open_ = false;
    session_ = false;
    asked_.reset();
}

void UsbUnit::write(const std::string& bytes) {
    log_.push_back(bytes.empty() ? "write zero-length" : "write " + hex(bytes));
    if (zeroLengthDue_ && !bytes.empty() && failure_.empty())
        failure_ = "a write that filled whole endpoint packets had no zero-length packet after it";
    zeroLengthDue_ = !bytes.empty() && bytes.size() % packetSize() == 0;
    fromHost_ += bytes;
    while (fromHost_.size() >= kHeaderSize) {
        const Bytes head(fromHost_.begin(), fromHost_.begin() + kHeaderSize);
        const std::uint32_t size = readU32(head, 8);
        if (size > 4096) {
            failure_ = "the host wrote a packet claiming " + std::to_string(size) + " bytes";
            fromHost_.clear();
            return;
        }
        if (fromHost_.size() < kHeaderSize + size) return;
        const Bytes data(fromHost_.begin() + kHeaderSize, fromHost_.begin() + kHeaderSize + size);
        fromHost_.erase(0, kHeaderSize + size);
        hostPacket(head[0], readU16(head, 4), data);
    }
}

void UsbUnit::hostPacket(std::uint8_t type, std::uint16_t id, const Bytes& data) {
    if (type == kProtocolLayer && id == kStartSession) {
        if (startsIgnored_ < s_.faults.silentStarts) {
            ++startsIgnored_;
            return;
        }
        session_ = true;
        Bytes unit;
        putU32(unit, kUnitId);
        interrupt_.push_back({usbPacket(kProtocolLayer, kSessionStarted, unit, 4)});
        return;
    }
    if (type != kApplicationLayer || !session_) return;
    if (id == kPidProductRqst) {
        std::vector<OutPacket> packets{
            productDataPacket(kProductId, kSoftwareVersion, kDescription)};
        if (s_.caps != Caps::None) packets.push_back(protocolArrayPacket(s_.caps));
        answer(packets, false);
    } else if (id == dialect_.pidCommand && readU16(data, 0) == kCmdTransferTrk) {
        answer(trackTransfer(dialect_, track_, 0), true);
    } else if (id == dialect_.pidCommand && readU16(data, 0) == kCmdAbortTransfer) {
        // The packets not sent yet are dropped; the ends of bulk runs still come.
        std::erase_if(bulk_, [](const Transfer& t) { return !t.bytes.empty(); });
        std::erase_if(interrupt_, [](const Transfer& t) {
            return !t.bytes.empty() && static_cast<std::uint8_t>(t.bytes[0]) == kApplicationLayer;
        });
    }
}

// Data Available on the interrupt endpoint, then `run` on the bulk endpoint and its end.
void UsbUnit::announce(std::vector<Transfer>& run) {
    if (run.empty()) return;
    interrupt_.push_back({usbPacket(kProtocolLayer, kDataAvailable, {}, 0)});
    for (Transfer& t : run) bulk_.push_back(std::move(t));
    bulk_.push_back({});
    run.clear();
}

void UsbUnit::answer(const std::vector<OutPacket>& packets, bool track) {
    const UsbFaults& f = s_.faults;
    std::vector<Transfer> run;
    long points = 0;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const OutPacket& p = packets[i];
        if (track && p.id == kPidTrkData && f.unplug && points++ == *f.unplug) {
            announce(run);
            interrupt_.push_back({{}, true});
            bulk_.push_back({{}, true});
            return;
        }
        const bool garbled = track && f.garble && static_cast<long>(i) == *f.garble;
        const auto size = static_cast<std::uint32_t>(p.data.size());
        std::string wire =
            usbPacket(kApplicationLayer, p.id, p.data, garbled ? kGarbledSize : size);
        if (f.direct || (f.alternate && i % 2 == 0)) {
            announce(run);
            interrupt_.push_back({std::move(wire)});
        } else if (f.split) {
            const std::size_t half = wire.size() / 2;
            run.push_back({wire.substr(0, half)});
            run.push_back({wire.substr(half)});
        } else if (f.packed && i % 2 == 1 && !run.empty()) {
            run.back().bytes += wire;
        } else {
            run.push_back({std::move(wire)});
        }
        if (f.alternate) announce(run);
    }
    announce(run);
}

void UsbUnit::read(seams::UsbEndpoint endpoint) {
    const bool bulk = endpoint == seams::UsbEndpoint::Bulk;
    log_.push_back(bulk ? "read bulk" : "read interrupt");
    if (asked_ && failure_.empty()) failure_ = "a second read was asked for before the first came";
    asked_ = endpoint;
}

bool UsbUnit::deliver(const std::function<void()>& handler) {
    if (!asked_ || !open_) return false;
    const seams::UsbEndpoint endpoint = *asked_;
    auto& queue = endpoint == seams::UsbEndpoint::Bulk ? bulk_ : interrupt_;
    if (queue.empty()) return false;
    Transfer t = std::move(queue.front());
    queue.pop_front();
    asked_.reset();
    if (t.unplug) {
        open_ = false;
        event_ = kUnplugged;
        log_.push_back("unplugged");
    } else {
        const bool bulk = endpoint == seams::UsbEndpoint::Bulk;
        log_.push_back(std::string("got ") + (bulk ? "bulk " : "interrupt ") +
                       (t.bytes.empty() ? "zero-length" : hex(t.bytes)));
        current_ = seams::UsbRead{endpoint, std::move(t.bytes)};
        event_ = seams::kCommEvReceive;
    }
    if (handler) handler();
    current_.reset();
    event_ = 0;
    return true;
}

}  // namespace ksim
