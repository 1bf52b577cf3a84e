// The engine's clock on the monotonic system clock: it never jumps at midnight or
// when the user sets the time.
#pragma once

#include <chrono>

#include "seams/seams.h"

namespace app {

class SteadyClock final : public seams::Clock {
  public:
    double secondsElapsed() const override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace app
