// How a USB Garmin is named in the Port list, the settings and on the command line:
// "usb" (the first unit), "usb:N" (the N-th, in bus order) or "usb:BUS-PORTS", its place
// on the bus as the kernel names it ("usb:1-1.4": bus 1, port 4 of the hub on port 1).
#pragma once

#include <QString>
#include <optional>

namespace app {

struct UsbUnitId {
    int index = 0;    // 1 = the first unit; 0 when named by its place
    QString busPath;  // such as "1-1.4"; empty when named by number

    // Nothing when `text` is no USB unit's name.
    static std::optional<UsbUnitId> parse(const QString& text);
    // True when `text` starts as a USB unit's name does, well formed or not.
    static bool looksLikeUsb(const QString& text);
};

}  // namespace app
