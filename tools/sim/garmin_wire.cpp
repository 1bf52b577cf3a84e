// Garmin framing, checksums and the host-frame reader.
#include "tools/sim/garmin_wire.h"

#include <algorithm>

namespace ksim {

std::uint8_t garminChecksum(std::uint8_t id, std::span<const std::uint8_t> data) {
    unsigned sum = id + static_cast<unsigned>(data.size() & 0xFF);
    for (std::uint8_t b : data) sum += b;
    return static_cast<std::uint8_t>(-sum & 0xFF);
}

Bytes stuffFrame(std::uint8_t id, std::span<const std::uint8_t> body) {
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

Bytes encodeFrame(std::uint8_t id, std::span<const std::uint8_t> data) {
    data = data.first(std::min<std::size_t>(data.size(), 255));
    Bytes body;
    body.reserve(data.size() + 2);
    body.push_back(static_cast<std::uint8_t>(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(garminChecksum(id, data));
    return stuffFrame(id, body);
}

Bytes encodeReply(std::uint8_t replyId, std::uint8_t pid) {
    const std::uint8_t data[] = {pid, 0};
    return encodeFrame(replyId, data);
}

std::uint16_t readU16(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 2) return 0;
    return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

std::uint32_t readU32(std::span<const std::uint8_t> data, std::size_t offset) {
    if (offset > data.size() || data.size() - offset < 4) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | data[offset + static_cast<std::size_t>(i)];
    return v;
}

void putU16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void FrameReader::flushNoise(std::vector<HostFrame>& out) {
    if (noise_.empty()) return;
    HostFrame f;
    f.kind = HostFrame::Kind::Noise;
    f.wire = std::move(noise_);
    noise_.clear();
    out.push_back(std::move(f));
}

void FrameReader::beginFrame(std::uint8_t id) {
    id_ = id;
    body_.clear();
    state_ = State::Body;
}

void FrameReader::finishFrame(std::vector<HostFrame>& out) {
    HostFrame f;
    f.kind = HostFrame::Kind::Packet;
    f.id = id_;
    f.wire = std::move(wire_);
    wire_.clear();
    if (body_.size() < 2) {
        f.check = HostFrame::Check::BadSize;
    } else {
        const std::uint8_t size = body_.front();
        f.data.assign(body_.begin() + 1, body_.end() - 1);
        unsigned sum = id_;
        for (std::uint8_t b : body_) sum += b;
        if (size != f.data.size())
            f.check = HostFrame::Check::BadSize;
        else if ((sum & 0xFF) != 0)
            f.check = HostFrame::Check::BadChecksum;
    }
    out.push_back(std::move(f));
    state_ = State::Hunt;
}

void FrameReader::feed(std::span<const std::uint8_t> bytes, std::vector<HostFrame>& out) {
    for (std::uint8_t b : bytes) {
        switch (state_) {
            case State::Hunt:
                if (b == kDle) {
                    flushNoise(out);
                    wire_ = {b};
                    state_ = State::Start;
                } else {
                    noise_.push_back(b);
                }
                break;
            case State::Start:
                if (b == kDle) break;  // a run of DLEs: the last one opens the frame
                wire_.push_back(b);
                if (b == kEtx) {  // a stray frame end is noise
                    noise_ = std::move(wire_);
                    wire_.clear();
                    state_ = State::Hunt;
                } else {
                    beginFrame(b);
                }
                break;
            case State::Body:
                wire_.push_back(b);
                if (b == kDle) {
                    state_ = State::BodyDle;
                } else {
                    body_.push_back(b);
                }
                break;
            case State::BodyDle:
                wire_.push_back(b);
                if (b == kDle) {
                    body_.push_back(b);
                    state_ = State::Body;
                } else if (b == kEtx) {
                    finishFrame(out);
                } else {
                    // A lone DLE starts the next frame: what came before it is a torn frame.
                    HostFrame torn;
                    torn.kind = HostFrame::Kind::BrokenFrame;
                    torn.id = id_;
                    torn.wire.assign(wire_.begin(), wire_.end() - 2);
                    out.push_back(std::move(torn));
                    wire_ = {kDle, b};
                    beginFrame(b);
                }
                break;
        }
        if (state_ == State::Body && body_.size() > kMaxBody) {
            noise_ = std::move(wire_);
            wire_.clear();
            state_ = State::Hunt;
        }
    }
    if (state_ == State::Hunt) flushNoise(out);
}

}  // namespace ksim
