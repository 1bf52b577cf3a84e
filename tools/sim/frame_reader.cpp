// Frame reader.
#include "tools/sim/frame_reader.h"

namespace ksim {

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
