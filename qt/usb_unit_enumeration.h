// The USB Garmins attached to the machine, as the Port list and kelvaron-get --units
// offer them, behind an interface so that tests give a list of their own.
#pragma once

#include <QString>
#include <vector>

namespace app {

struct UsbUnitInfo {
    QString id;       // what to open: "usb:1", "usb:2", … in bus order
    QString busPath;  // its place on the bus, such as "1-1.4"
    QString name;     // the model the unit reports, else "bus 1 port 1.4"

    QString label() const { return QStringLiteral("Garmin USB — ") + name; }
};

class UsbUnitEnumeration {
  public:
    virtual ~UsbUnitEnumeration() = default;
    virtual std::vector<UsbUnitInfo> units() const = 0;
};

// For a program that looks for no USB unit.
class NoUsbUnits final : public UsbUnitEnumeration {
  public:
    std::vector<UsbUnitInfo> units() const override { return {}; }
    static UsbUnitEnumeration& instance() {
        static NoUsbUnits none;
        return none;
    }
};

}  // namespace app
