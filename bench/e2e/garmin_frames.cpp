#include "bench/e2e/garmin_frames.h"

namespace kelvaron_bench {

namespace {

std::uint8_t Checksum(std::uint8_t id, std::string_view sizeAndData) {
    unsigned sum = id;
    for (const char c : sizeAndData) sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(-sum & 0xFF);
}

}  // namespace

std::string Encode_Frame(std::uint8_t id, std::string_view data) {
    std::string body(1, static_cast<char>(data.size()));
    body += data;
    body += static_cast<char>(Checksum(id, body));
    std::string wire{static_cast<char>(kDle), static_cast<char>(id)};
    for (const char c : body) {
        wire += c;
        if (static_cast<std::uint8_t>(c) == kDle) wire += c;
    }
    wire += static_cast<char>(kDle);
    wire += static_cast<char>(kEtx);
    return wire;
}

std::optional<Packet> Frame_Reader::feed(std::uint8_t byte) {
    switch (state_) {
        case State::Idle:
            if (byte == kDle) state_ = State::Id;
            return std::nullopt;
        case State::Id:
            if (byte == kDle || byte == kEtx) {
                state_ = byte == kDle ? State::Id : State::Idle;
                return std::nullopt;
            }
            id_ = byte;
            body_.clear();
            state_ = State::Body;
            return std::nullopt;
        case State::Body:
            if (byte == kDle) {
                state_ = State::BodyDle;
            } else {
                body_ += static_cast<char>(byte);
            }
            return std::nullopt;
        case State::BodyDle:
            if (byte == kDle) {
                body_ += static_cast<char>(byte);
                state_ = State::Body;
                return std::nullopt;
            }
            if (byte == kEtx) {
                state_ = State::Idle;
                return finish();
            }
            // A lone 16 inside a frame: the frame was torn, and this byte starts the next.
            ++rejected_;
            state_ = State::Id;
            return feed(byte);
    }
    return std::nullopt;
}

std::optional<Packet> Frame_Reader::finish() {
    const std::size_t n = body_.size();
    if (n < 2 || static_cast<std::uint8_t>(body_[0]) != n - 2 ||
        Checksum(id_, std::string_view(body_).substr(0, n - 1)) !=
            static_cast<std::uint8_t>(body_[n - 1])) {
        ++rejected_;
        return std::nullopt;
    }
    return Packet{id_, body_.substr(1, n - 2)};
}

}  // namespace kelvaron_bench
