// Pseudo-terminal set-up.
#include "tools/sim/pty_port.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ksim {

namespace {

// Every byte value passes unchanged, no echo, no signals.
bool makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

PtyPort::~PtyPort() {
    removeLink();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

std::string PtyPort::open() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return std::string("cannot unlock the pseudo-terminal: ") + std::strerror(errno);
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0)
        return std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
    device_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return device_ + ": cannot open: " + std::strerror(errno);
    if (!makeRaw(slave_)) return device_ + ": cannot set raw mode: " + std::strerror(errno);
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        return std::string("cannot make the pseudo-terminal non-blocking: ") + std::strerror(errno);
    return {};
}

std::string PtyPort::makeLink(const std::string& path) {
    // Link under a temporary name first, then rename over the old one in a single step.
    const std::string temp = path + ".kelvaron-sim-" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (::symlink(device_.c_str(), temp.c_str()) != 0)
        return path + ": cannot create the link: " + std::strerror(errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string error = path + ": cannot create the link: " + std::strerror(errno);
        ::unlink(temp.c_str());
        return error;
    }
    link_ = path;
    return {};
}

void PtyPort::removeLink() {
    if (link_.empty()) return;
    char target[256];
    const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
    if (n >= 0 && device_ == std::string(target, static_cast<std::size_t>(n)))
        ::unlink(link_.c_str());
    link_.clear();
}

void PtyPort::releaseSlave() {
    if (slave_ >= 0) ::close(slave_);
    slave_ = -1;
}

namespace {

struct SpeedCode {
    int bitsPerSecond;
    speed_t code;
};

constexpr SpeedCode kSpeedCodes[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

}  // namespace

// Read through the master (a termios request on a master reads its slave's settings), so it
// still works once the slave is released.
int PtyPort::hostSpeed() const {
    termios t{};
    if (master_ < 0 || tcgetattr(master_, &t) != 0) return 0;
    for (const SpeedCode& s : kSpeedCodes)
        if (s.code == cfgetospeed(&t)) return s.bitsPerSecond;
    return 0;
}

void PtyPort::presetSpeed(int bitsPerSecond) {
    termios t{};
    if (slave_ < 0 || tcgetattr(slave_, &t) != 0) return;
    for (const SpeedCode& s : kSpeedCodes) {
        if (s.bitsPerSecond != bitsPerSecond) continue;
        cfsetispeed(&t, s.code);
        cfsetospeed(&t, s.code);
        tcsetattr(slave_, TCSANOW, &t);
    }
}

}  // namespace ksim
