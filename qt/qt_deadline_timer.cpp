#include "qt/qt_deadline_timer.h"

#include <cmath>

namespace app {

QtDeadlineTimer::QtDeadlineTimer() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (handler_) handler_();
    });
}

void QtDeadlineTimer::arm(double seconds) {
    timer_.start(static_cast<int>(std::lround(seconds * 1000.0)));
}

void QtDeadlineTimer::disarm() {
    timer_.stop();
}

void QtDeadlineTimer::setHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

}  // namespace app
