// The deadline on a single-shot QTimer, precise to the millisecond rather than the
// coarse timer Qt would otherwise choose for long intervals.
#pragma once

#include <QTimer>
#include <functional>

#include "download/download_services.h"

namespace app {

class QtDeadlineTimer final : public DeadlineTimer {
  public:
    QtDeadlineTimer();

    void arm(double seconds) override;
    void disarm() override;
    void setHandler(std::function<void()> handler) override;

  private:
    QTimer timer_;
    std::function<void()> handler_;
};

}  // namespace app
