// The Garmin units (vendor 0x091E, product 0x0003) libusb sees, in a stable bus order:
// by bus number, then by the ports on the way from the root hub. The order gives the
// "usb:N" names, so the same units plugged into the same ports keep their numbers.
#pragma once

#include <libusb.h>

#include <QString>
#include <cstdint>
#include <vector>

namespace app {

inline constexpr std::uint16_t kGarminVendor = 0x091E;
inline constexpr std::uint16_t kGarminProduct = 0x0003;

class GarminUsbDevices {
  public:
    struct Unit {
        libusb_device* device = nullptr;  // held by the list while it lives
        int bus = 0;
        int address = 0;
        std::vector<int> ports;          // from the root hub down; may be empty
        std::uint8_t productString = 0;  // iProduct; 0 = none

        QString busPath() const;     // "1-1.4"; "1-0" when libusb knows no port
        QString deviceNode() const;  // "/dev/bus/usb/001/002"
    };

    explicit GarminUsbDevices(libusb_context* context);
    ~GarminUsbDevices();
    GarminUsbDevices(const GarminUsbDevices&) = delete;
    GarminUsbDevices& operator=(const GarminUsbDevices&) = delete;

    // libusb's error when the devices could not be listed; 0 otherwise.
    int error() const { return error_; }
    const std::vector<Unit>& units() const { return units_; }

  private:
    libusb_device** list_ = nullptr;
    std::vector<Unit> units_;
    int error_ = 0;
};

}  // namespace app
