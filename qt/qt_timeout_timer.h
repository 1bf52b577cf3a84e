// The timer `tmrTimeout` on QTimer. The engine counts four ticks without a frame
// before it reports that the receiver does not answer, so with the period of
// 2000 ms that report comes after 6 to 8 seconds: long enough for a whole packet at
// the slowest speed the window offers, short enough for a user waiting at the cable.
#pragma once

#include <QTimer>
#include <functional>

#include "download/download_services.h"

namespace app {

inline constexpr int kTimeoutPeriodMs = 2000;

class QtTimeoutTimer final : public TimeoutTimer {
  public:
    explicit QtTimeoutTimer(int periodMs = kTimeoutPeriodMs);

    void arm() override;
    void disarm() override;
    bool isArmed() const override;
    void setTickHandler(std::function<void()> handler) override;

  private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace app
