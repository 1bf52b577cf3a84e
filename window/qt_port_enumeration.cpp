#include "window/qt_port_enumeration.h"

#include <QSerialPortInfo>

namespace app {

std::vector<PortInfo> QtPortEnumeration::ports() const {
    std::vector<PortInfo> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        found.push_back({info.systemLocation(), info.portName(), info.description()});
    return found;
}

}  // namespace app
