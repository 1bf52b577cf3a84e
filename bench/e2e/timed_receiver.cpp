#include "bench/e2e/timed_receiver.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "tests/support/garmin_frames.h"

namespace kelvaron_bench {

namespace {

constexpr std::uint8_t kPidAck = 6;
constexpr std::uint8_t kPidNak = 21;
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

void putU16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

void putU32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putFloat(std::string& s, float f) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    putU32(s, bits);
}

std::uint32_t Semicircles(double degrees) {
    return static_cast<std::uint32_t>(
        static_cast<std::int32_t>(std::lround(degrees * (2147483648.0 / 180.0))));
}

std::string productData() {
    std::string d;
    putU16(d, 111);  // product
    putU16(d, 250);  // software version 2.50
    d += "Bench receiver";
    d += '\0';
    return d;
}

// L001 link, A010 commands, A301 tracks in D310 headers and D301 points.
std::string protocolArray() {
    const std::pair<char, std::uint16_t> caps[] = {
        {'P', 0},   {'L', 1},   {'A', 10},  {'A', 100}, {'D', 100}, {'A', 200}, {'D', 200},
        {'D', 100}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 400}, {'D', 400}};
    std::string d;
    for (const auto& [tag, number] : caps) {
        d += tag;
        putU16(d, number);
    }
    return d;
}

// Cuts the next whole frame off the front of `stream`; bytes before its first 16 are line
// noise. False while no frame is complete.
bool cutFrame(std::string& stream, std::string& wire) {
    const auto start = stream.find('\x10');
    if (start == std::string::npos) stream.clear();
    for (std::size_t i = start + 2; start != std::string::npos && i + 1 < stream.size(); ++i) {
        if (stream[i] != '\x10') continue;
        if (stream[i + 1] == '\x03') {
            wire = stream.substr(start, i + 2 - start);
            stream.erase(0, i + 2);
            return true;
        }
        ++i;  // a doubled 16
    }
    return false;
}

}  // namespace

std::int64_t monotonicNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * kSecond + t.tv_nsec;
}

TimedReceiver::TimedReceiver(int masterFd, long points, bool spin, pid_t hostTid)
    : fd_(masterFd), points_(points), spin_(spin), host_(hostTid) {}

TurnaroundRun TimedReceiver::run() {
    run_ = TurnaroundRun{};
    run_.points.reserve(static_cast<std::size_t>(points_));
    const ThreadSched self(::gettid());
    std::string count;
    putU16(count, static_cast<std::uint16_t>(std::min(points_, 65535L)));
    const bool started =
        awaitTrackRequest() && exchange(kPidRecords, testkit::frame(kPidRecords, count), false);
    for (long i = 0; started && i < points_; ++i) {
        const std::string frame = testkit::frame(kPidTrkData, pointData(i));
        const SchedTimes host0 = host_.read();
        const SchedTimes self0 = self.read();
        if (!exchange(kPidTrkData, frame, true)) break;
        const SchedTimes host1 = host_.read();
        const SchedTimes self1 = self.read();
        run_.points.push_back({ackedAt_ - sentAt_, host1.cpuNs - host0.cpuNs,
                               host1.waitNs - host0.waitNs, self1.waitNs - self0.waitNs});
    }
    if (started && static_cast<long>(run_.points.size()) == points_) {
        std::string end;
        putU16(end, kCmndTransferTrk);
        exchange(kPidXferCmplt, testkit::frame(kPidXferCmplt, end), false);
    }
    return run_;
}

// The product request comes first; the track request follows once the host knows us.
bool TimedReceiver::awaitTrackRequest() {
    const std::int64_t limit = monotonicNs() + kDialogueLimit;
    Packet p;
    bool identified = false;
    while (!trackRequested_) {
        if (!nextPacket(p, limit, false)) {
            if (run_.failure.empty()) run_.failure = "the host never asked for the track log";
            return false;
        }
        if (p.id == kPidProductRqst && !identified) {
            identified =
                exchange(kPidProductData, testkit::frame(kPidProductData, productData()), false) &&
                exchange(kPidProtocolArray, testkit::frame(kPidProtocolArray, protocolArray()),
                         false);
            if (!identified) return false;
        }
    }
    return true;
}

// A walk north-east, a point every few metres and every second, with a new segment at
// the start.
std::string TimedReceiver::pointData(long i) const {
    std::string d;
    putU32(d, Semicircles(31.7 + 0.00004 * static_cast<double>(i)));
    putU32(d, Semicircles(35.1 + 0.00005 * static_cast<double>(i)));
    putU32(d, 1145000000u + static_cast<std::uint32_t>(i));
    putFloat(d, 700.0f + static_cast<float>(i % 100));
    putFloat(d, 1.0e25f);  // no depth
    d += static_cast<char>(i == 0 ? 1 : 0);
    return d;
}

bool TimedReceiver::send(const std::string& wire, std::int64_t* sentAt) {
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
    if (sentAt) *sentAt = monotonicNs();
    return true;
}

bool TimedReceiver::exchange(std::uint8_t id, const std::string& wire, bool timed) {
    for (int attempt = 0; attempt <= kMaxResends; ++attempt) {
        if (attempt > 0) ++run_.resends;
        if (!send(wire, &sentAt_)) return false;
        const std::int64_t limit = sentAt_ + kAckTimeout;
        Packet p;
        for (;;) {
            if (!nextPacket(p, limit, timed && spin_)) break;
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

bool TimedReceiver::nextPacket(Packet& p, std::int64_t limitNs, bool spin) {
    for (;;) {
        for (std::string wire; cutFrame(stream_, wire);) {
            garmin::Packet packet;
            if (!testkit::unframe(wire, packet)) {
                ++run_.rejectedFrames;
                continue;
            }
            p.id = packet[1];
            p.data.assign(packet.begin() + 3, packet.end() - 3);
            if (p.id == kPidAck || p.id == kPidNak) return true;
            send(testkit::frame(kPidAck, std::string{static_cast<char>(p.id), '\0'}));
            if (p.id == kPidCommand && p.data.size() >= 2 &&
                static_cast<std::uint8_t>(p.data[0]) == kCmndTransferTrk && p.data[1] == 0)
                trackRequested_ = true;
            return true;
        }
        if (stop_) {
            run_.failure = "stopped";
            return false;
        }
        const std::int64_t now = monotonicNs();
        if (now >= limitNs) return false;
        if (!spin) {
            pollfd pfd{fd_, POLLIN, 0};
            const auto ms = std::min<std::int64_t>((limitNs - now) / 1'000'000 + 1, 100);
            ::poll(&pfd, 1, static_cast<int>(ms));
        }
        char buffer[512];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            readAt_ = monotonicNs();
            stream_.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR && errno != EIO)) {
            run_.failure = std::string("read from the pseudo-terminal: ") +
                           (n == 0 ? "end of file" : std::strerror(errno));
            return false;
        }
    }
}

}  // namespace kelvaron_bench
