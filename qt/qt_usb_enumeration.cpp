#include "qt/qt_usb_enumeration.h"

#include <QStringList>
#include <optional>

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

// Nothing when the unit cannot be opened (yet: a udev rule may give access later);
// empty when it has no product string or does not answer.
std::optional<QString> productName(const GarminUsbDevices::Unit& unit) {
    if (unit.productString == 0) return QString();
    libusb_device_handle* handle = nullptr;
    if (libusb_open(unit.device, &handle) != LIBUSB_SUCCESS) return std::nullopt;
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
        std::optional<QString> name;
        if (names_.contains(key))
            name = names_.value(key);
        else
            name = productName(unit);
        if (name) seen.insert(key, *name);
        const QString shown = name && !name->isEmpty() ? *name : placeName(unit);
        found.push_back({QStringLiteral("usb:%1").arg(found.size() + 1), unit.busPath(), shown});
    }
    // Units unplugged are forgotten, so the cache stays as small as the bus.
    names_ = seen;
    return found;
}

}  // namespace app
