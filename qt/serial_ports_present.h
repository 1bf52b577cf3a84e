// The serial devices present on the machine, as Qt's serial port enumeration finds them:
// USB serial adapters, ACM devices, ports with a driver.
#pragma once

#include <vector>

#include "download/download_services.h"

namespace app {

std::vector<PortInfo> serialPortsPresent();

}  // namespace app
