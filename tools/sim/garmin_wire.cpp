// Garmin framing, checksums and the host-frame reader.
#include "tools/sim/garmin_wire.h"

#include <algorithm>

namespace ksim {

std::uint8_t garmin_checksum(std::uint8_t id, std::span<const std::uint8_t> data) {
    unsigned sum = id + static_cast<unsigned>(data.size() & 0xFF);
    for (std::uint8_t b : data) sum += b;
    return static_cast<std::uint8_t>(-sum & 0xFF);
}

Bytes stuff_frame(std::uint8_t id, std::span<const std::uint8_t> body) {
    Bytes wire{kDle, id};
    wire.reserve(body.size() + 8);
    for (std::uint8_t b : body) {
        wire.push_back(b);
        if (b == kDle) wire.push_back(kDle);
    }
    wire.push_back(kDle);
    wire.push_back(kEtx);
    return wire;
}

Bytes encode_frame(std::uint8_t id, std::span<const std::uint8_t> data) {
    data = data.first(std::min<std::size_t>(data.size(), 255));
    Bytes body;
    body.reserve(data.size() + 2);
    body.push_back(static_cast<std::uint8_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(garmin_checksum(id, data));
    return stuff_frame(id, body);
}

Bytes encode_reply(std::uint8_t reply_id, std::uint8_t pid) {
    const std::uint8_t data[] = {pid, 0};
    return encode_frame(reply_id, data);
}

std::uint16_t read_u16(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 2) return 0;
    return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::uint32_t read_u32(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 4) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | data[offset + static_cast<std::size_t>(i)];
    return v;
}

void put_u16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_u32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void FrameReader::flush_noise(std::vector<HostFrame>& out) {
    if (noise_.empty()) return;
    HostFrame f;
    f.kind = HostFrame::Kind::noise;
    f.wire = std::move(noise_);
    noise_.clear();
    out.push_back(std::move(f));
}

void FrameReader::begin_frame(std::uint8_t id) {
    id_ = id;
    body_.clear();
    state_ = State::body;
}

void FrameReader::finish_frame(std::vector<HostFrame>& out) {
    HostFrame f;
    f.kind = HostFrame::Kind::packet;
    f.id = id_;
    f.wire = std::move(wire_);
    wire_.clear();
    if (body_.size() < 2) {
        f.check = HostFrame::Check::bad_size;
    } else {
        const std::uint8_t size = body_.front();
        f.data.assign(body_.begin() + 1, body_.end() - 1);
        unsigned sum = id_;
        for (std::uint8_t b : body_) sum += b;
        if (size != f.data.size())
            f.check = HostFrame::Check::bad_size;
        else if ((sum & 0xFF) != 0)
            f.check = HostFrame::Check::bad_checksum;
    }
    out.push_back(std::move(f));
    state_ = State::hunt;
}

void FrameReader::feed(std::span<const std::uint8_t> bytes, std::vector<HostFrame>& out) {
    for (std::uint8_t b : bytes) {
        switch (state_) {
            case State::hunt:
                if (b == kDle) {
                    flush_noise(out);
                    wire_ = {b};
                    state_ = State::start;
                } else {
                    noise_.push_back(b);
                }
                break;
            case State::start:
                if (b == kDle) break;  // a run of DLEs: the last one opens the frame
                wire_.push_back(b);
                if (b == kEtx) {  // a stray frame end is noise
                    noise_ = std::move(wire_);
                    wire_.clear();
                    state_ = State::hunt;
                } else {
                    begin_frame(b);
                }
                break;
            case State::body:
                wire_.push_back(b);
                if (b == kDle) {
                    state_ = State::body_dle;
                } else {
                    body_.push_back(b);
                }
                break;
            case State::body_dle:
                wire_.push_back(b);
                if (b == kDle) {
                    body_.push_back(b);
                    state_ = State::body;
                } else if (b == kEtx) {
                    finish_frame(out);
                } else {
                    // A lone DLE starts the next frame: what came before it is a torn frame.
                    HostFrame torn;
                    torn.kind = HostFrame::Kind::broken_frame;
                    torn.id = id_;
                    torn.wire.assign(wire_.begin(), wire_.end() - 2);
                    out.push_back(std::move(torn));
                    wire_ = {kDle, b};
                    begin_frame(b);
                }
                break;
        }
        if (state_ == State::body && body_.size() > kMaxBody) {
            noise_ = std::move(wire_);
            wire_.clear();
            state_ = State::hunt;
        }
    }
    if (state_ == State::hunt) flush_noise(out);
}

}  // namespace ksim
