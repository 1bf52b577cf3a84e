// Stop signals through a self-pipe.
#include "tools/sim/stop_signals.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

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

}  // namespace

StopSignals::StopSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        readFd_ = fds[0];
        writeFd_ = fds[1];
    }
    signalWriteFd = writeFd_;
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
    if (readFd_ >= 0) ::close(readFd_);
    if (writeFd_ >= 0) ::close(writeFd_);
}

}  // namespace ksim
