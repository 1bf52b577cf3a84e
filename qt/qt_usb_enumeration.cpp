#include "qt/qt_usb_enumeration.h"

#include <QStringList>

#include "qt/garmin_usb_devices.h"
#include "qt/usb_product_name.h"

namespace app {

namespace {

// Where the unit is, for a unit whose own name cannot be read (no permission to open it
// yet, or it does not answer on its control endpoint).
QString placeName(const GarminUsbDevices::Unit& unit) {
    QStringList ports;
    for (const int port : unit.ports) ports << QString::number(port);
    if (ports.isEmpty()) return QStringLiteral("bus %1 device %2").arg(unit.bus).arg(unit.address);
    return QStringLiteral("bus %1 port %2").arg(unit.bus).arg(ports.join(QLatin1Char('.')));
}

QString productName(const GarminUsbDevices::Unit& unit) {
    libusb_device_handle* handle = nullptr;
    if (unit.productString == 0 || libusb_open(unit.device, &handle) != LIBUSB_SUCCESS) return {};
    const QString name = readProductName(handle, unit.productString);
    libusb_close(handle);
    return name;
}

}  // namespace

std::vector<UsbUnitInfo> QtUsbEnumeration::units() const {
    if (!context_) context_ = std::make_unique<LibusbContext>();
    if (!context_->get()) return {};
    const GarminUsbDevices devices(context_->get());
    std::vector<UsbUnitInfo> found;
    QHash<QString, QString> seen;
    for (const auto& unit : devices.units()) {
        const QString key = QStringLiteral("%1@%2").arg(unit.busPath()).arg(unit.address);
        QString name = names_.contains(key) ? names_.value(key) : productName(unit);
        seen.insert(key, name);
        if (name.isEmpty()) name = placeName(unit);
        found.push_back({QStringLiteral("usb:%1").arg(found.size() + 1), unit.busPath(), name});
    }
    // Units unplugged are forgotten, so the cache stays as small as the bus.
    names_ = seen;
    return found;
}

}  // namespace app
