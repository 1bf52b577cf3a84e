#include "bench/e2e/pty_pair.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kelvaron_bench {

Pty_Pair::Pty_Pair() {
    if (!open()) {
        failure_ += std::string(": ") + std::strerror(errno);
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
        slave_ = master_ = -1;
    }
}

bool Pty_Pair::open() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) return fail("posix_openpt");
    if (::grantpt(master_) != 0) return fail("grantpt");
    if (::unlockpt(master_) != 0) return fail("unlockpt");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname");
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return fail(name);
    // Raw both ways until the window's port sets its own line settings: no echo, no
    // line editing, no CR/LF translation of the binary frames.
    termios t{};
    if (::tcgetattr(slave_, &t) != 0) return fail("tcgetattr");
    ::cfmakeraw(&t);
    if (::tcsetattr(slave_, TCSANOW, &t) != 0) return fail("tcsetattr");
    return true;
}

Pty_Pair::~Pty_Pair() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool Pty_Pair::fail(const char* step) {
    failure_ = step;
    return false;
}

}  // namespace kelvaron_bench
