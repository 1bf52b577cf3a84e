// Event loop.
#include "tools/sim/event_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ksim {

namespace {

// After the last reply of a --once run the simulator waits for the host to close the line, as a
// receiver stays on the cable: a host that sets its line back as it closes the port fails if
// the line is gone under it. A host that keeps the port gets kCloseLimit to read what is
// left, then the simulator closes the line anyway.
constexpr auto kCloseLimit = std::chrono::seconds(3);

timespec until(TimePoint now, std::optional<TimePoint> deadline) {
    // Compare before subtracting: "at once" is TimePoint::min(), which must not overflow.
    const Duration wait = *deadline <= now ? Duration::zero() : *deadline - now;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

std::optional<TimePoint> earliest(std::optional<TimePoint> a, std::optional<TimePoint> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

}  // namespace

LoopOutcome runEventLoop(PtyPort& pty, SerialLine& line, SimReceiver& receiver,
                         const StopSignals& signals) {
    std::optional<TimePoint> doneAt;  // when the receiver finished and let go of the slave
    for (;;) {
        TimePoint now = Clock::now();
        std::optional<TimePoint> deadline = earliest(line.nextDeadline(), receiver.nextDeadline());
        if (receiver.status() == SimReceiver::Status::GaveUp)
            return {LoopOutcome::Kind::GaveUp, receiver.failure()};
        if (receiver.status() == SimReceiver::Status::Done && line.outputIdle() && !doneAt) {
            doneAt = now;
            pty.releaseSlave();
        }
        if (doneAt) {
            if (now >= *doneAt + kCloseLimit) return {LoopOutcome::Kind::Done, {}};
            deadline = earliest(deadline, *doneAt + kCloseLimit);
        }

        pollfd fds[2] = {{pty.masterFd(), POLLIN, 0}, {signals.fd(), POLLIN, 0}};
        if (line.wantsWritable()) fds[0].events |= POLLOUT;
        const timespec timeout = deadline ? until(now, deadline) : timespec{};
        const int r =
            ::ppoll(fds, signals.fd() >= 0 ? 2 : 1, deadline ? &timeout : nullptr, nullptr);
        if (r < 0 && errno != EINTR)
            return {LoopOutcome::Kind::Failed, std::string("poll failed: ") + std::strerror(errno)};
        now = Clock::now();
        if (r > 0 && (fds[1].revents & POLLIN)) return {LoopOutcome::Kind::Stopped, {}};
        // Once the simulator has let go of the slave, a hang-up is the host closing the line;
        // what it may have sent before is no longer anyone's business.
        if (r > 0 && doneAt && (fds[0].revents & POLLHUP)) return {LoopOutcome::Kind::Done, {}};
        const bool hungUp = (fds[0].revents & POLLHUP) && !(fds[0].revents & POLLIN);
        if (r > 0 && ((fds[0].revents & (POLLERR | POLLNVAL)) || hungUp))
            return {LoopOutcome::Kind::Failed, "the pseudo-terminal failed"};
        if (r > 0 && (fds[0].revents & POLLOUT)) line.onWritable(now);
        if (r > 0 && (fds[0].revents & POLLIN)) {
            if (std::string e = line.readInput(now); !e.empty())
                return {LoopOutcome::Kind::Failed, pty.devicePath() + ": " + e};
        }
        if (const Bytes arrived = line.takeArrived(now); !arrived.empty()) {
            line.setReplyBase(line.lastArrival());
            receiver.onInput(arrived, now);
            line.setReplyBase(std::nullopt);
        }
        line.pumpOutput(now);
        receiver.onTime(now);
        line.pumpOutput(now);
    }
}

}  // namespace ksim
