// The production set of services: everything the window needs from Qt and the system.
#pragma once

#include <memory>

#include "qt/qt_deadline_timer.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_timeout_timer.h"
#include "qt/qt_usb_enumeration.h"
#include "qt/qt_usb_port.h"
#include "qt/system_temp_files.h"
#include "source/system_volumes.h"
#include "window/desktop_services.h"
#include "window/qt_dialogs.h"
#include "window/qt_port_enumeration.h"

namespace app {

class QtPlatform {
  public:
    QtPlatform();

    Services services();

  private:
    QtSettingsStore settings_;
    QtSerialPort comm_;
    QtTimeoutTimer timer_;
    QtDeadlineTimer deadline_;
    QtDialogs dialogs_;
    DesktopReadmeOpener readme_;
    SystemTempFiles tempFiles_;
    SystemProgramExit programExit_;
    QtPortEnumeration portList_;
    source::SystemVolumes volumes_;
    QtUsbEnumeration usbUnits_;
    QtUsbPort usb_;
};

}  // namespace app
