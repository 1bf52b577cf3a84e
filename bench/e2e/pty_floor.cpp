#include "bench/e2e/pty_floor.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "bench/e2e/timed_receiver.h"
#include "tests/support/garmin_frames.h"
#include "tests/support/pty.h"

namespace kelvaron_bench {

namespace {

void pin(int cpu) {
    if (cpu < 0) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    ::sched_setaffinity(0, sizeof set, &set);
}

// Reads whole frames of `size` bytes and answers each with `ack`.
void bareHost(int fd, long exchanges, std::size_t size, const std::string& ack) {
    char buffer[512];
    std::size_t got = 0;
    for (long done = 0; done < exchanges;) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 5000) <= 0) return;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) continue;
        for (got += static_cast<std::size_t>(n); got >= size; got -= size, ++done) {
            if (::write(fd, ack.data(), ack.size()) != static_cast<ssize_t>(ack.size())) return;
        }
    }
}

std::vector<std::int64_t> timeExchanges(int fd, long exchanges, const std::string& frame,
                                        std::size_t ackSize) {
    std::vector<std::int64_t> out;
    out.reserve(static_cast<std::size_t>(exchanges));
    char buffer[64];
    for (long i = 0; i < exchanges; ++i) {
        if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) break;
        const std::int64_t sent = monotonicNs();
        const std::int64_t limit = sent + 5'000'000'000;
        std::int64_t read = sent;
        std::size_t got = 0;
        while (got < ackSize && read < limit) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            read = monotonicNs();
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        if (got < ackSize) break;
        out.push_back(read - sent);
    }
    return out;
}

}  // namespace

std::vector<std::int64_t> ptyFloor(long exchanges, int hostCpu, int receiverCpu) {
    std::vector<std::int64_t> out;
    testkit::PtyPair pty;
    if (!pty.ok()) return out;
    // A D301 point of the size the window gets, and the acknowledgement it sends.
    const std::string frame = testkit::frame(34, std::string(21, '\x01'));
    const std::string ack = testkit::frame(6, std::string{'\x22', '\0'});
    const int slave = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) return out;
    std::thread host([&] {
        pin(hostCpu);
        bareHost(slave, exchanges, frame.size(), ack);
    });
    std::thread timing([&] {
        pin(receiverCpu);
        out = timeExchanges(pty.master(), exchanges, frame, ack.size());
    });
    timing.join();
    host.join();
    ::close(slave);
    return out;
}

}  // namespace kelvaron_bench
