#include "bench/e2e/timed_receiver.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace kelvaron_bench {

namespace {

constexpr std::uint8_t kPidCommand = 10;
constexpr std::uint8_t kPidXferCmplt = 12;
constexpr std::uint8_t kPidRecords = 27;
constexpr std::uint8_t kPidTrkData = 34;
constexpr std::uint8_t kPidProtocolArray = 253;
constexpr std::uint8_t kPidProductRqst = 254;
constexpr std::uint8_t kPidProductData = 255;
constexpr std::uint16_t kCmndTransferTrk = 6;
constexpr std::int64_t kSecond = 1'000'000'000;
// Long enough for the host's two-second identification wait.
constexpr std::int64_t kDialogueLimit = 30 * kSecond;
// A receiver sends a packet again when no answer came in this time.
constexpr std::int64_t kAckTimeout = 2 * kSecond;
constexpr int kMaxResends = 5;

void Put_U16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

void Put_U32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void Put_Float(std::string& s, float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    Put_U32(s, bits);
}

std::uint32_t Semicircles(double degrees) {
    return static_cast<std::uint32_t>(
        static_cast<std::int32_t>(std::lround(degrees * (2147483648.0 / 180.0))));
}

std::string Product_Data() {
    std::string d;
    Put_U16(d, 111);  // product
    Put_U16(d, 250);  // software version 2.50
    d += "Bench receiver";
    d += '\0';
    return d;
}

// L001 link, A010 commands, A301 tracks in D310 headers and D301 points.
std::string Protocol_Array() {
    const std::pair<char, std::uint16_t> caps[] = {
        {'P', 0},   {'L', 1},   {'A', 10},  {'A', 100}, {'D', 100}, {'A', 200}, {'D', 200},
        {'D', 100}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 400}, {'D', 400}};
    std::string d;
    for (const auto& [tag, number] : caps) {
        d += tag;
        Put_U16(d, number);
    }
    return d;
}

}  // namespace

std::int64_t Monotonic_Ns() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
}

Timed_Receiver::Timed_Receiver(int masterFd, long points, bool spin, pid_t hostTid)
    : fd_(masterFd), points_(points), spin_(spin), host_(hostTid) {}

Turnaround_Run Timed_Receiver::run() {
    run_ = Turnaround_Run{};
    run_.points.reserve(static_cast<std::size_t>(points_));
    const Thread_Sched self(::gettid());
    std::string count;
    Put_U16(count, static_cast<std::uint16_t>(std::min(points_, 65535L)));
    const bool started =
        await_track_request() && exchange(kPidRecords, Encode_Frame(kPidRecords, count), false);
    for (long i = 0; started && i < points_; ++i) {
        const std::string frame = Encode_Frame(kPidTrkData, point_data(i));
        const Sched_Times host0 = host_.read();
        const Sched_Times self0 = self.read();
        if (!exchange(kPidTrkData, frame, true)) break;
        const Sched_Times host1 = host_.read();
        const Sched_Times self1 = self.read();
        run_.points.push_back({ackedAt_ - sentAt_, host1.cpuNs - host0.cpuNs,
                               host1.waitNs - host0.waitNs, self1.waitNs - self0.waitNs});
    }
    if (started && static_cast<long>(run_.points.size()) == points_) {
        std::string end;
        Put_U16(end, kCmndTransferTrk);
        exchange(kPidXferCmplt, Encode_Frame(kPidXferCmplt, end), false);
    }
    run_.rejectedFrames = reader_.rejected();
    return run_;
}

// The product request comes first; the track request follows once the host knows us.
bool Timed_Receiver::await_track_request() {
    const std::int64_t limit = Monotonic_Ns() + kDialogueLimit;
    Packet p;
    bool identified = false;
    while (!trackRequested_) {
        if (!next_packet(p, limit, false)) {
            if (run_.failure.empty()) run_.failure = "the host never asked for the track log";
            return false;
        }
        if (p.id == kPidProductRqst && !identified) {
            identified =
                exchange(kPidProductData, Encode_Frame(kPidProductData, Product_Data()), false) &&
                exchange(kPidProtocolArray, Encode_Frame(kPidProtocolArray, Protocol_Array()),
                         false);
            if (!identified) return false;
        }
    }
    return true;
}

// A walk north-east, a point every few metres and every second, with a new segment at
// the start.
std::string Timed_Receiver::point_data(long i) const {
    std::string d;
    Put_U32(d, Semicircles(31.7 + 0.00004 * static_cast<double>(i)));
    Put_U32(d, Semicircles(35.1 + 0.00005 * static_cast<double>(i)));
    Put_U32(d, 1145000000u + static_cast<std::uint32_t>(i));
    Put_Float(d, 700.0f + static_cast<float>(i % 100));
    Put_Float(d, 1.0e25f);  // no depth
    d += static_cast<char>(i == 0 ? 1 : 0);
    return d;
}

bool Timed_Receiver::send(const std::string& wire, std::int64_t* sentAt) {
    std::size_t done = 0;
    while (done < wire.size()) {
        const ssize_t n = ::write(fd_, wire.data() + done, wire.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd pfd{fd_, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
            continue;
        }
        run_.failure = std::string("write to the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    if (sentAt) *sentAt = Monotonic_Ns();
    return true;
}

bool Timed_Receiver::exchange(std::uint8_t id, const std::string& wire, bool timed) {
    for (int attempt = 0; attempt <= kMaxResends; ++attempt) {
        if (attempt > 0) ++run_.resends;
        if (!send(wire, &sentAt_)) return false;
        const std::int64_t limit = sentAt_ + kAckTimeout;
        Packet p;
        for (;;) {
            if (!next_packet(p, limit, timed && spin_)) break;
            if (p.id == kPidNak && !p.data.empty() && static_cast<std::uint8_t>(p.data[0]) == id) {
                ++run_.refusals;
                break;
            }
            if (p.id == kPidAck && !p.data.empty() && static_cast<std::uint8_t>(p.data[0]) == id) {
                ackedAt_ = readAt_;
                return true;
            }
        }
        if (!run_.failure.empty()) return false;
    }
    run_.failure = "packet " + std::to_string(id) + " was never acknowledged";
    return false;
}

bool Timed_Receiver::next_packet(Packet& p, std::int64_t limitNs, bool spin) {
    for (;;) {
        while (pendingAt_ < pending_.size()) {
            const auto byte = static_cast<std::uint8_t>(pending_[pendingAt_++]);
            if (auto got = reader_.feed(byte)) {
                p = std::move(*got);
                if (p.id == kPidAck || p.id == kPidNak) return true;
                send(Encode_Frame(kPidAck, std::string{static_cast<char>(p.id), '\0'}));
                if (p.id == kPidCommand && p.data.size() >= 2 &&
                    static_cast<std::uint8_t>(p.data[0]) == kCmndTransferTrk && p.data[1] == 0)
                    trackRequested_ = true;
                return true;
            }
        }
        if (stop_) {
            run_.failure = "stopped";
            return false;
        }
        const std::int64_t now = Monotonic_Ns();
        if (now >= limitNs) return false;
        if (!spin) {
            pollfd pfd{fd_, POLLIN, 0};
            const auto ms = std::min<std::int64_t>((limitNs - now) / 1'000'000 + 1, 100);
            ::poll(&pfd, 1, static_cast<int>(ms));
        }
        char buffer[512];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            readAt_ = Monotonic_Ns();
            pending_.assign(buffer, static_cast<std::size_t>(n));
            pendingAt_ = 0;
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR && errno != EIO)) {
            run_.failure = std::string("read from the pseudo-terminal: ") +
                           (n == 0 ? "end of file" : std::strerror(errno));
            return false;
        }
    }
}

}  // namespace kelvaron_bench
