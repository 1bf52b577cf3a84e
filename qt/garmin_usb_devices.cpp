#include "qt/garmin_usb_devices.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <tuple>

namespace app {

namespace {

// USB allows seven tiers of hubs below the root.
constexpr int kMaxPorts = 7;

bool isGarmin(libusb_device* device, std::uint8_t& productString) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(device, &d) != LIBUSB_SUCCESS) return false;
    productString = d.iProduct;
    return d.idVendor == kGarminVendor && d.idProduct == kGarminProduct;
}

}  // namespace

QString GarminUsbDevices::Unit::busPath() const {
    QStringList parts;
    for (const int port : ports) parts << QString::number(port);
    return QStringLiteral("%1-%2").arg(bus).arg(parts.isEmpty() ? QStringLiteral("0")
                                                                : parts.join(QLatin1Char('.')));
}

QString GarminUsbDevices::Unit::deviceNode() const {
    return QStringLiteral("/dev/bus/usb/%1/%2")
        .arg(bus, 3, 10, QLatin1Char('0'))
        .arg(address, 3, 10, QLatin1Char('0'));
}

GarminUsbDevices::GarminUsbDevices(libusb_context* context) {
    const ssize_t count = libusb_get_device_list(context, &list_);
    if (count < 0) {
        error_ = static_cast<int>(count);
        list_ = nullptr;
        return;
    }
    for (ssize_t i = 0; i < count; ++i) {
        Unit unit;
        unit.device = list_[i];
        if (!isGarmin(unit.device, unit.productString)) continue;
        unit.bus = libusb_get_bus_number(unit.device);
        unit.address = libusb_get_device_address(unit.device);
        std::array<std::uint8_t, kMaxPorts> ports{};
        const int depth = libusb_get_port_numbers(unit.device, ports.data(), kMaxPorts);
        for (int p = 0; p < depth; ++p) unit.ports.push_back(ports[static_cast<std::size_t>(p)]);
        units_.push_back(std::move(unit));
    }
    std::ranges::sort(units_, [](const Unit& a, const Unit& b) {
        return std::tie(a.bus, a.ports, a.address) < std::tie(b.bus, b.ports, b.address);
    });
}

GarminUsbDevices::~GarminUsbDevices() {
    if (list_) libusb_free_device_list(list_, 1);
}

}  // namespace app
