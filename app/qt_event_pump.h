// Event processing from inside a running procedure, through Qt's event loop.
#pragma once

#include "seams/seams.h"

namespace app {

class QtEventPump final : public seams::EventPump {
  public:
    // Handles what is pending; with nothing pending, sleeps in the event loop until
    // an event arrives or maxWaitMs have passed.
    void processEvents(int maxWaitMs) override;
};

}  // namespace app
