// The downloads' Qt services for a program without a window: no dialog, readme or
// display; the downloads reach the user through their DownloadUi.
#pragma once

#include "qt/qt_deadline_timer.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_timeout_timer.h"
#include "qt/qt_usb_port.h"
#include "qt/system_temp_files.h"

namespace cli {

class HeadlessPlatform {
  public:
    HeadlessPlatform() : comm_(settings_) {}

    app::DownloadServices services() {
        return app::DownloadServices{comm_, timer_, deadline_, settings_, tempFiles_, usb_};
    }
    const app::SettingsStore& settings() const { return settings_; }

  private:
    app::QtSettingsStore settings_;
    app::QtSerialPort comm_;
    app::QtTimeoutTimer timer_;
    app::QtDeadlineTimer deadline_;
    app::SystemTempFiles tempFiles_;
    app::QtUsbPort usb_;
};

}  // namespace cli
