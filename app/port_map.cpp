#include "app/port_map.h"

namespace app {

QString Port_Label(int port) {
    return QStringLiteral("COM%1").arg(port);
}

QString Device_For_Port(int port, const SettingsStore& store) {
#ifdef Q_OS_WIN
    (void)store;
    return Port_Label(port);
#else
    const auto mapped = store.read(kPortsSection, Port_Label(port));
    if (mapped && !mapped->trimmed().isEmpty()) return mapped->trimmed();
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

}  // namespace app
