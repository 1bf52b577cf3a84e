// The production set of services: everything the window needs from Qt and the system.
#pragma once

#include <memory>

#include "app/desktop_services.h"
#include "app/qt_deadline_timer.h"
#include "app/qt_dialogs.h"
#include "app/qt_port_enumeration.h"
#include "app/qt_serial_port.h"
#include "app/qt_settings_store.h"
#include "app/qt_timeout_timer.h"
#include "app/system_temp_files.h"
#include "source/system_volumes.h"

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
};

}  // namespace app
