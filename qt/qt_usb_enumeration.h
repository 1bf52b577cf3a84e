// The USB Garmins attached right now, read through libusb each time the list is asked
// for. A unit's name is its product string, read once per plug-in (the answer is kept by
// its place and address, which a new plug-in changes; a unit that could not be opened is
// asked again next time), else "bus B port P".
#pragma once

#include <QHash>
#include <memory>

#include "qt/libusb_context.h"
#include "qt/usb_unit_enumeration.h"

namespace app {

class QtUsbEnumeration final : public UsbUnitEnumeration {
  public:
    std::vector<UsbUnitInfo> units() const override;

  private:
    mutable std::unique_ptr<LibusbContext> context_;
    mutable QHash<QString, QString> names_;
};

}  // namespace app
