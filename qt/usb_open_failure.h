// Why a USB Garmin did not open, in words a user can act on. The port gathers the facts
// (what libusb said, who owns the device node); the words are chosen here.
#pragma once

#include <QString>

namespace app {

// The rule the package installs so that the user at the seat may open the unit.
inline constexpr char kUdevRulePath[] = "/usr/lib/udev/rules.d/70-kelvaron-garmin.rules";
inline constexpr char kUdevRuleLine[] =
    R"(SUBSYSTEM=="usb", ATTR{idVendor}=="091e", ATTR{idProduct}=="0003", TAG+="uaccess")";

struct UsbOpenFailure {
    enum class Reason {
        BadName,      // not "usb", "usb:N" or "usb:BUS-PORTS"
        NoLibusb,     // libusb could not start or list the devices
        NoUnit,       // no Garmin attached at all
        NoSuchUnit,   // usb:N beyond the count, or no unit at that place
        NoEndpoints,  // interface 0 is not a Garmin's
        Access,       // the device node may not be opened
        Busy,         // another program has claimed the interface
        Other,
    };
    Reason reason = Reason::Other;
    QString unit;        // as asked, such as "usb:2"
    int attached = 0;    // Garmin units found
    QString libusbName;  // such as LIBUSB_ERROR_IO
    // The device node and its owner, for Access.
    QString node;
    QString owner;
    QString group;
    unsigned mode = 0;
};

QString usbOpenFailureText(const UsbOpenFailure& f);

}  // namespace app
