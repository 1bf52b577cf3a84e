#include "qt/serial_ports_present.h"

#include <QSerialPortInfo>

namespace app {

std::vector<PortInfo> serialPortsPresent() {
    std::vector<PortInfo> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found.push_back({info.systemLocation(), info.portName(), info.description()});
    return found;
}

}  // namespace app
