// Paced serial line.
#include "tools/sim/serial_line.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ksim {

namespace {

// Bytes are handed over in chunks of about this much line time: short enough that a frame's
// last byte leaves when a real line would deliver it, long enough to avoid a write per byte.
constexpr auto kChunkTime = std::chrono::milliseconds(4);

// What a UART set to one speed makes of bytes sent at another: framing errors and stray
// values, never a DLE, so nothing in it passes for a frame.
Bytes garbage(std::size_t n) {
    return Bytes(n, 0xFF);
}

}  // namespace

SerialLine::SerialLine(int fd, int bitsPerSecond, FrameLog& log) : fd_(fd), log_(log) {
    setSpeed(bitsPerSecond);
}

void SerialLine::setSpeed(int bitsPerSecond) {
    speed_ = bitsPerSecond;
    byteTime_ = Duration::zero();
    if (bitsPerSecond > 0) {
        const double bytesPerSecond = bitsPerSecond / 10.0;
        byteTime_ = std::chrono::duration_cast<Duration>(
            std::chrono::duration<double>(1.0 / bytesPerSecond));
        chunk_ = std::max<std::size_t>(
            1, static_cast<std::size_t>(bytesPerSecond *
                                        std::chrono::duration<double>(kChunkTime).count()));
    } else {
        chunk_ = 1 << 16;
    }
}

bool SerialLine::speedsDiffer() const {
    return hostSpeed_ && speed_ > 0 && hostSpeed_() != speed_;
}

Duration SerialLine::timeFor(std::size_t bytes) const {
    return byteTime_ * static_cast<Duration::rep>(bytes);
}

void SerialLine::send(Bytes bytes, std::string note) {
    if (queue_.empty()) lineFree_ = std::max(lineFree_, replyBase_.value_or(Clock::now()));
    queue_.push_back({std::move(bytes), std::move(note), 0, std::nullopt});
}

void SerialLine::pause(Duration d) {
    if (queue_.empty()) lineFree_ = std::max(lineFree_, replyBase_.value_or(Clock::now()));
    queue_.push_back({{}, {}, 0, d});
}

std::optional<TimePoint> SerialLine::nextDeadline() const {
    std::optional<TimePoint> t;
    if (!queue_.empty() && !blocked_) {
        const Item& it = queue_.front();
        t = it.pause ? lineFree_ : lineFree_ + timeFor(std::min(chunk_, it.bytes.size() - it.pos));
    }
    if (!arriving_.empty() && (!t || arriving_.front().at < *t)) t = arriving_.front().at;
    return t;
}

void SerialLine::pumpOutput(TimePoint now) {
    while (!queue_.empty() && !blocked_) {
        Item& it = queue_.front();
        if (it.pause) {
            lineFree_ = std::max(lineFree_, now) + *it.pause;
            queue_.pop_front();
            continue;
        }
        const std::size_t n = std::min(chunk_, it.bytes.size() - it.pos);
        const TimePoint due = lineFree_ + timeFor(n);
        if (now < due) return;
        // The host listening at another speed gets garbage of the same length.
        const Bytes garbled = speedsDiffer() ? garbage(n) : Bytes();
        const std::uint8_t* from = garbled.empty() ? it.bytes.data() + it.pos : garbled.data();
        const ssize_t w = ::write(fd_, from, n);
        if (w < 0) {
            // A full buffer means the host is not reading; wait until it does, then resume at
            // the line's rate from that moment rather than catching up in a burst.
            if (errno != EINTR) blocked_ = true;
            return;
        }
        it.pos += static_cast<std::size_t>(w);
        lineFree_ += timeFor(static_cast<std::size_t>(w));
        if (static_cast<std::size_t>(w) < n) blocked_ = true;
        if (it.pos == it.bytes.size()) {
            log_.sim(it.bytes, it.note);
            queue_.pop_front();
        }
    }
}

void SerialLine::onWritable(TimePoint now) {
    if (!blocked_) return;
    blocked_ = false;
    lineFree_ = std::max(lineFree_, now);
}

std::string SerialLine::readInput(TimePoint now) {
    for (;;) {
        std::uint8_t buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            const auto count = static_cast<std::size_t>(n);
            inputFree_ = std::max(inputFree_, now) + timeFor(count);
            // Sent at another speed than the one in force: the receiver hears garbage.
            arriving_.push_back(
                {inputFree_, speedsDiffer() ? garbage(count) : Bytes(buffer, buffer + count)});
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {};
        // The simulator holds the slave open, so end of file or EIO means the device is gone.
        return n == 0 ? "the pseudo-terminal closed" : std::strerror(errno);
    }
}

Bytes SerialLine::takeArrived(TimePoint now) {
    Bytes out;
    while (!arriving_.empty() && arriving_.front().at <= now) {
        const Bytes& b = arriving_.front().bytes;
        out.insert(out.end(), b.begin(), b.end());
        lastArrival_ = arriving_.front().at;
        arriving_.pop_front();
    }
    return out;
}

}  // namespace ksim
