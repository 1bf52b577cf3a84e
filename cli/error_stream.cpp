#include "cli/error_stream.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// Waits up to `waitMs` for room to write; false when there is none, or no reader.
bool roomWithin(int fd, int waitMs) {
    pollfd p{fd, POLLOUT, 0};
    int ready = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        ready = ::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0)));
        if (ready >= 0 || errno != EINTR) break;
    }
    return ready > 0 && (p.revents & POLLOUT) != 0;
}

}  // namespace

ErrorStream::ErrorStream(int fd) : fd_(fd) {}

bool ErrorStream::writeNow(const QByteArray& bytes) {
    if (!roomWithin(fd_, 0)) return false;
    write(bytes, 0);
    return true;
}

void ErrorStream::write(const QByteArray& bytes, int waitMs) {
    stuck_ = writeWithin(bytes, stuck_ ? 0 : waitMs) < bytes.size();
}

qsizetype ErrorStream::writeWithin(const QByteArray& bytes, int waitMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (!roomWithin(fd_, static_cast<int>(std::max<long long>(left, 0)))) break;
        // Room in a pipe is at least PIPE_BUF bytes, and a write of no more never waits
        // for the reader.
        const auto chunk = std::min<qsizetype>(bytes.size() - done, PIPE_BUF);
        const ssize_t n = ::write(fd_, bytes.constData() + done, static_cast<size_t>(chunk));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

}  // namespace cli
