// Garmin receiver state machine.
#include "tools/sim/garmin_receiver.h"

#include <algorithm>

namespace ksim {

namespace {

std::string packet_name(std::uint8_t id) {
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
        case 27:
        case 35:
            return "records";
        default:
            return "packet " + std::to_string(id);
    }
}

std::string check_name(HostFrame::Check c) {
    return c == HostFrame::Check::bad_size ? "size does not match the data" : "bad checksum";
}

// Line noise for the fault injector: never a DLE (it would frame), nor text that a host could
// take for the start or end of an NMEA sentence.
Bytes noise_bytes(std::uint64_t detail) {
    Bytes noise;
    const std::size_t n = 1 + detail % 8;
    for (std::size_t i = 0; noise.size() < n && i < 64; ++i) {
        detail = detail * 6364136223846793005ull + 1442695040888963407ull;
        const auto b = static_cast<std::uint8_t>(detail >> 56);
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
      dialect_(dialect_for(s_.caps)),
      faults_(s_.faults) {}

void GarminReceiver::on_input(std::span<const std::uint8_t> bytes, TimePoint) {
    std::vector<HostFrame> frames;
    reader_.feed(bytes, frames);
    for (const HostFrame& f : frames) {
        if (status_ != Status::serving) return;
        handle_frame(f);
    }
}

void GarminReceiver::handle_frame(const HostFrame& f) {
    if (f.kind == HostFrame::Kind::noise) {
        log_.host(f.wire, "noise");
        return;
    }
    if (f.kind == HostFrame::Kind::broken_frame) {
        log_.host(f.wire, "torn frame (DLE without ETX)");
        return;
    }
    const std::string name = packet_name(f.id);
    if (f.check != HostFrame::Check::ok) {
        log_.host(f.wire, name + ": " + check_name(f.check));
        // A garbled answer counts as no answer; the acknowledgement timer takes care of it.
        if (f.id == kPidAck || f.id == kPidNak) return;
        send(encode_reply(kPidNak, f.id), "NAK " + std::to_string(f.id));
        return;
    }
    if (f.id == kPidAck || f.id == kPidNak) {
        log_.host(f.wire, name + " " + std::to_string(f.data.empty() ? 0 : f.data[0]));
        handle_answer(f);
        return;
    }
    log_.host(f.wire, name);
    send(encode_reply(kPidAck, f.id), "ACK " + std::to_string(f.id));
    handle_request(f);
}

void GarminReceiver::handle_request(const HostFrame& f) {
    if (f.id == kPidProductRqst) {
        const bool plain = std::all_of(f.data.begin(), f.data.end(), [](auto b) { return b == 0; });
        if (plain && f.data.size() <= 2) request(Transfer::product);
        return;
    }
    if (f.id != dialect_.pid_command) {
        if (f.id == 10 || f.id == 11) log_.event("not a command under this link protocol");
        return;
    }
    const std::uint16_t command = read_u16(f.data, 0);
    if (command == kCmdTransferTrk) {
        request(Transfer::track);
    } else if (command == kCmdAbortTransfer) {
        abort_transfer();
    }
}

void GarminReceiver::handle_answer(const HostFrame& f) {
    if (owed_ > 0) {
        --owed_;
        log_.event("answer to an earlier copy of an acknowledged packet");
        return;
    }
    if (!awaiting_) return;
    if (in_flight_ > 0) --in_flight_;
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
    if (ignore_next_ack_) {
        ignore_next_ack_ = false;
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
    if (active_ == Transfer::none) start_next_transfer();
}

void GarminReceiver::start_next_transfer() {
    if (pending_.empty()) return;
    active_ = pending_.front();
    pending_.pop_front();
    packets_.clear();
    if (active_ == Transfer::product) {
        packets_.push_back(product_data_packet(s_.product_id, s_.software_version, s_.description));
        if (s_.caps != Caps::none) packets_.push_back(protocol_array_packet(s_.caps));
    } else {
        packets_ = track_transfer(dialect_, track_, s_.count_offset);
    }
    current_ = 0;
    attempts_ = 0;
    transmit();
}

void GarminReceiver::abort_transfer() {
    if (active_ == Transfer::none && pending_.empty()) return;
    log_.event("transfer aborted by the host");
    owed_ += in_flight_;
    in_flight_ = 0;
    awaiting_ = false;
    deadline_.reset();
    active_ = Transfer::none;
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
    body.push_back(garmin_checksum(p.id, p.data));
    // Change one data or checksum byte so that framing stays intact and only the checksum
    // test can catch it: never touch a DLE, never make one.
    std::size_t at = 1 + detail % (body.size() - 1);
    for (std::size_t tries = 0; body[at] == kDle && tries < body.size(); ++tries)
        at = 1 + at % (body.size() - 1);
    std::uint8_t mask = static_cast<std::uint8_t>(1u << (detail >> 8) % 8);
    if ((body[at] ^ mask) == kDle || body[at] == kDle) mask = body[at] == 0x11 ? 0x02 : 0x01;
    body[at] ^= mask;
    return stuff_frame(p.id, body);
}

void GarminReceiver::transmit() {
    const OutPacket& p = packets_[current_];
    const long index = active_ == Transfer::track ? static_cast<long>(current_) : -1;
    const Fault fault = index >= 0 ? faults_.decide(index, attempts_) : Fault::none;
    std::string note = packet_name(p.id);
    if (index >= 0) note += " #" + std::to_string(index);
    if (attempts_ > 0) note += " (resend " + std::to_string(attempts_) + ")";
    transmit_with_fault(fault, index, encode_frame(p.id, p.data), note);
    ++attempts_;
    awaiting_ = true;
    deadline_.reset();
    if (s_.silent_after && index == *s_.silent_after && !silent_) {
        silent_ = true;
        log_.event("silent from now on");
    }
}

void GarminReceiver::transmit_with_fault(Fault fault, long index, const Bytes& wire,
                                         const std::string& note) {
    const std::uint64_t detail = index >= 0 ? faults_.detail(index, attempts_) : 0;
    const std::string tagged = note + " [" + fault_name(fault) + "]";
    switch (fault) {
        case Fault::none:
            send(wire, note);
            break;
        case Fault::corrupt:
            send(corrupted(packets_[current_], detail), tagged);
            break;
        case Fault::drop:
            log_.event("not sent: " + tagged);
            return;
        case Fault::drop_ack:
            ignore_next_ack_ = true;
            send(wire, tagged);
            break;
        case Fault::duplicate:
            send(wire, note);
            send(wire, tagged);
            ++in_flight_;
            break;
        case Fault::noise:
            send(noise_bytes(detail), "noise");
            send(wire, tagged);
            break;
    }
    ++in_flight_;
}

void GarminReceiver::resend(const char* reason) {
    const OutPacket& p = packets_[current_];
    if (attempts_ > s_.max_resends) {
        status_ = Status::gave_up;
        failure_ = "gave up: the host did not acknowledge the " + packet_name(p.id) + " packet" +
                   (active_ == Transfer::track ? " #" + std::to_string(current_) : "") + " (id " +
                   std::to_string(p.id) + ") after " + std::to_string(s_.max_resends) + " resends";
        log_.event(failure_);
        return;
    }
    log_.event(std::string("resending: ") + reason);
    transmit();
}

void GarminReceiver::advance() {
    owed_ += in_flight_;
    in_flight_ = 0;
    awaiting_ = false;
    deadline_.reset();
    ignore_next_ack_ = false;
    attempts_ = 0;
    if (++current_ < packets_.size()) {
        transmit();
        return;
    }
    const bool track_done = active_ == Transfer::track;
    active_ = Transfer::none;
    packets_.clear();
    if (track_done) {
        log_.event("track transfer complete");
        if (s_.once) {
            status_ = Status::done;
            return;
        }
    }
    start_next_transfer();
}

void GarminReceiver::on_time(TimePoint now) {
    if (!awaiting_ || silent_ || status_ != Status::serving) return;
    if (!deadline_) {
        // The host cannot answer before the last byte is out, so the wait starts then.
        if (line_.output_idle()) deadline_ = now + s_.ack_timeout;
        return;
    }
    if (now < *deadline_) return;
    in_flight_ = 0;
    resend("no acknowledgement");
}

std::optional<TimePoint> GarminReceiver::next_deadline() const {
    if (!awaiting_ || silent_ || status_ != Status::serving) return std::nullopt;
    if (!deadline_) return line_.output_idle() ? std::optional(TimePoint::min()) : std::nullopt;
    return deadline_;
}

}  // namespace ksim
