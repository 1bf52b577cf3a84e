#include "window/serial_port_list.h"

#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>

#include "download/choices.h"
#include "download/port_map.h"
#include "qt/usb_unit_id.h"

namespace app {

namespace {

QString notPresentText(const QString& device) {
    return QStringLiteral("The port %1 chosen last time is not present.").arg(device);
}

}  // namespace

void SerialPortList::fill(int index, const QString& device) {
    {
        const QSignalBlocker quiet(box_);
        box_.clear();
        add();
        const int found = device.isEmpty() ? -1 : indexOfDevice(device);
        box_.setCurrentIndex(found >= 0 ? found : std::clamp(index, 0, kPortCount - 1));
    }
    showDevice();
}

void SerialPortList::add() {
    for (int port = 1; port <= kPortCount; ++port) {
        box_.addItem(portLabel(port));
        box_.setItemData(port - 1, numberedPortDescription(comm_, port), Qt::ToolTipRole);
    }
    addPresentDevices();
}

// A device that one of the nine already stands for is not offered twice.
void SerialPortList::addPresentDevices() {
    QStringList numbered;
    for (int port = 1; port <= kPortCount; ++port) numbered << comm_.deviceName(port);
    for (const PortInfo& info : ports_.ports()) {
        // (Windows names the nine "COM1" and the same device "\\.\COM1".)
        if (info.device.isEmpty() || numbered.contains(info.device) ||
            numbered.contains(info.name) || box_.findData(info.device) >= 0)
            continue;
        box_.addItem(deviceLabel(info), info.device);
        box_.setItemData(box_.count() - 1, info.device, Qt::ToolTipRole);
    }
    if (usbOffered_) addUsbUnits();
}

void SerialPortList::addUsbUnits() {
    for (const UsbUnitInfo& unit : usbUnits_.units()) {
        box_.addItem(unit.label(), unit.id);
        box_.setItemData(
            box_.count() - 1,
            QStringLiteral("%1 (bus %2, port %3)")
                .arg(unit.id, unit.busPath.section('-', 0, 0), unit.busPath.section('-', 1)),
            Qt::ToolTipRole);
    }
}

bool SerialPortList::offerUsb(bool offered) {
    if (offered == usbOffered_) return false;
    usbOffered_ = offered;
    return true;
}

bool SerialPortList::usbChosen() const {
    return UsbUnitId::looksLikeUsb(chosenDevice());
}

void SerialPortList::restore(const QString& device) {
    if (device.isEmpty()) return;
    const int index = indexOfDevice(device);
    box_.setCurrentIndex(std::max(0, index));
    if (index < 0) box_.setToolTip(notPresentText(device));
}

void SerialPortList::refresh() {
    const QString device = chosenDevice();
    {
        const QSignalBlocker quiet(box_);
        while (box_.count() > kPortCount) box_.removeItem(kPortCount);
        addPresentDevices();
        if (!device.isEmpty()) box_.setCurrentIndex(std::max(0, indexOfDevice(device)));
    }
    showDevice();
    if (!device.isEmpty() && chosenDevice() != device) box_.setToolTip(notPresentText(device));
}

void SerialPortList::showDevice() {
    const int index = box_.currentIndex();
    if (index < 0) {
        box_.setToolTip(QString());
        return;
    }
    const QString device = chosenDevice();
    if (usbChosen())
        box_.setToolTip(box_.itemData(index, Qt::ToolTipRole).toString());
    else
        box_.setToolTip(device.isEmpty() ? numberedPortDescription(comm_, index + 1) : device);
}

int SerialPortList::indexOfDevice(const QString& device) const {
    for (int port = 1; port <= kPortCount; ++port)
        if (comm_.deviceName(port) == device) return port - 1;
    return box_.findData(device);
}

QString SerialPortList::chosenDevice() const {
    return box_.currentData().toString();
}

int SerialPortList::chosenPort() const {
    return chosenDevice().isEmpty() ? box_.currentIndex() + 1 : 1;
}

}  // namespace app
