#include "window/qt_port_enumeration.h"

#include "qt/serial_ports_present.h"

namespace app {

std::vector<PortInfo> QtPortEnumeration::ports() const {
    return serialPortsPresent();
}

}  // namespace app
