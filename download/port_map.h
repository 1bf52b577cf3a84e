// Which device a port number stands for. The window offers COM1 to COM9; on Linux
// each maps to a device file, by default /dev/ttyS0 to /dev/ttyS8, and the user's
// settings store can point any of them elsewhere (section "Ports", key "COM1" =
// /dev/ttyUSB0), which is how USB adapters and the simulated receiver are reached.
#pragma once

#include <QString>

#include "download/download_services.h"

namespace app {

inline const QString kPortsSection = QStringLiteral("Ports");

// "COM" followed by the number.
QString portLabel(int port);

// How messages name a port: "COM1 (/dev/ttyS0)", or the path of a device chosen by it.
QString portDescription(const CommPort& comm, int port);

// "COM1 (/dev/ttyS0)", whatever device is chosen.
QString numberedPortDescription(const CommPort& comm, int port);

// How the Port list shows a device present: "ttyUSB0 — USB-Serial Controller".
QString deviceLabel(const PortInfo& info);

// The device path (Linux) or the port name itself (Windows).
QString deviceForPort(int port, const SettingsStore& store);

}  // namespace app
