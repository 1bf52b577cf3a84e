// The Port list while a serial family is chosen: COM1 to COM9, then the serial devices
// present on the machine, each by name and description and holding its path. A device is
// remembered by its path; one that has gone leaves the list on COM1 and says so in the
// tooltip, rather than choosing another device in its place. While USB units are offered
// (the Garmin family), the USB Garmins attached follow, as "Garmin USB — GPSMAP 60CSx",
// each holding its name "usb:N".
#pragma once

#include <QComboBox>
#include <QString>

#include "download/download_services.h"
#include "window/services.h"

namespace app {

class SerialPortList {
  public:
    SerialPortList(QComboBox& box, const CommPort& comm, const PortEnumeration& ports,
                   const UsbUnitEnumeration& usbUnits = NoUsbUnits::instance())
        : box_(box), comm_(comm), ports_(ports), usbUnits_(usbUnits) {}

    // Whether the USB Garmins are listed from the next fill or refresh on; true when
    // that changed.
    bool offerUsb(bool offered);
    // True while the item shown is a USB unit.
    bool usbChosen() const;

    // Fills the list afresh and selects `device` when it is present, else `index`.
    void fill(int index, const QString& device);
    // Appends the nine numbered ports and the devices present to an empty list.
    void add();
    // Reads the devices present again, keeping the choice.
    void refresh();
    // Selects the device chosen last time, if any.
    void restore(const QString& device);
    // The tooltip of the item shown: the device it stands for.
    void showDevice();
    // The path of the device chosen from the devices present; empty for COM1 to COM9.
    QString chosenDevice() const;
    // The port number (1 = COM1) of the item shown; 1 for a device chosen by its path.
    int chosenPort() const;

  private:
    void addPresentDevices();
    void addUsbUnits();
    int indexOfDevice(const QString& device) const;

    QComboBox& box_;
    const CommPort& comm_;
    const PortEnumeration& ports_;
    const UsbUnitEnumeration& usbUnits_;
    bool usbOffered_ = false;
};

}  // namespace app
