#include "download/port_map.h"

namespace app {

QString portLabel(int port) {
    return QStringLiteral("COM%1").arg(port);
}

QString portDescription(const CommPort& comm, int port) {
    if (!comm.device().isEmpty()) return comm.device();
    return numberedPortDescription(comm, port);
}

QString numberedPortDescription(const CommPort& comm, int port) {
    return QStringLiteral("%1 (%2)").arg(portLabel(port), comm.deviceName(port));
}

QString deviceLabel(const PortInfo& info) {
    if (info.description.isEmpty()) return info.name;
    return info.name + QStringLiteral(" \u2014 ") + info.description;
}

QString deviceForPort(int port, const SettingsStore& store) {
#ifdef Q_OS_WIN
    (void)store;
    return portLabel(port);
#else
    const auto mapped = store.read(kPortsSection, portLabel(port));
    if (mapped && !mapped->trimmed().isEmpty()) return mapped->trimmed();
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

}  // namespace app
