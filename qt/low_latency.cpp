#include "qt/low_latency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace app {

void LowLatency::request(int fd) {
    changed_ = false;
    serial_struct line{};
    if (::ioctl(fd, TIOCGSERIAL, &line) != 0 || (line.flags & ASYNC_LOW_LATENCY) != 0) return;
    line.flags |= ASYNC_LOW_LATENCY;
    changed_ = ::ioctl(fd, TIOCSSERIAL, &line) == 0;
}

void LowLatency::restore(int fd) {
    if (!changed_) return;
    changed_ = false;
    serial_struct line{};
    if (::ioctl(fd, TIOCGSERIAL, &line) != 0) return;
    line.flags &= ~ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &line);
}

}  // namespace app
