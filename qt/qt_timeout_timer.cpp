#include "qt/qt_timeout_timer.h"

namespace app {

QtTimeoutTimer::QtTimeoutTimer(int periodMs) {
    timer_.setInterval(periodMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (handler_) handler_();
    });
}

// Arming a running timer restarts its period, as enabling an enabled one does not
// shorten the next tick.
void QtTimeoutTimer::arm() {
    timer_.start();
}

void QtTimeoutTimer::disarm() {
    timer_.stop();
}

bool QtTimeoutTimer::isArmed() const {
    return timer_.isActive();
}

void QtTimeoutTimer::setTickHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

}  // namespace app
