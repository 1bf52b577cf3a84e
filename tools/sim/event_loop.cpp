// Event loop.
#include "tools/sim/event_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace ksim {

namespace {

int signalWriteFd = -1;

extern "C" void onStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (signalWriteFd >= 0) {
        const ssize_t n = ::write(signalWriteFd, &byte, 1);
        (void)n;  // a full pipe already holds a stop request
    }
    errno = saved;
}

// After the last reply of a --once run the host gets up to kDrainLimit to read what is still
// in the pseudo-terminal before the simulator closes it. The kernel hands bytes from master
// to slave a moment after the write, so an empty slave queue only counts after kDrainSettle.
constexpr auto kDrainLimit = std::chrono::seconds(5);
constexpr auto kDrainSettle = std::chrono::milliseconds(100);
constexpr auto kDrainPoll = std::chrono::milliseconds(5);

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

StopSignals::StopSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        read_fd_ = fds[0];
        write_fd_ = fds[1];
    }
    signalWriteFd = write_fd_;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Pacing deadlines are a few hundred microseconds apart at high speeds; the default 50 us
    // of timer slack would add up to a visible share of the line time.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

StopSignals::~StopSignals() {
    for (int s : {SIGTERM, SIGINT, SIGHUP}) std::signal(s, SIG_DFL);
    signalWriteFd = -1;
    if (read_fd_ >= 0) ::close(read_fd_);
    if (write_fd_ >= 0) ::close(write_fd_);
}

LoopOutcome runEventLoop(PtyPort& pty, SerialLine& line, SimReceiver& receiver,
                         const StopSignals& signals) {
    std::optional<TimePoint> drainStart;
    for (;;) {
        TimePoint now = Clock::now();
        std::optional<TimePoint> deadline = earliest(line.nextDeadline(), receiver.nextDeadline());
        if (receiver.status() == SimReceiver::Status::GaveUp)
            return {LoopOutcome::Kind::GaveUp, receiver.failure()};
        if (receiver.status() == SimReceiver::Status::Done && line.outputIdle()) {
            if (!drainStart) drainStart = now;
            const bool settled = !receiver.waitForHostToRead() ||
                                 (now >= *drainStart + kDrainSettle && pty.unreadByHost() == 0);
            if (settled || now >= *drainStart + kDrainLimit) return {LoopOutcome::Kind::Done, {}};
            deadline = earliest(deadline, now + kDrainPoll);
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
