// The serial devices present on the machine, as Qt's serial port enumeration finds them.
#pragma once

#include "window/services.h"

namespace app {

class QtPortEnumeration final : public PortEnumeration {
  public:
    std::vector<PortInfo> ports() const override;
};

}  // namespace app
