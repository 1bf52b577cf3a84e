// The window's Qt services for a program without a window. The downloads reach the
// user through their DownloadUi, never through the dialogs, the readme opener or the
// program's exit, which are here only because every runner holds them.
#pragma once

#include "app/desktop_services.h"
#include "app/qt_deadline_timer.h"
#include "app/qt_dialogs.h"
#include "app/qt_serial_port.h"
#include "app/qt_settings_store.h"
#include "app/qt_timeout_timer.h"

namespace cli {

class HeadlessPlatform {
  public:
    HeadlessPlatform() : comm_(settings_) {}

    app::Services services() {
        return app::Services{comm_,    timer_,  deadline_,  settings_,
                             dialogs_, readme_, tempFiles_, exit_};
    }
    const app::SettingsStore& settings() const { return settings_; }

  private:
    app::QtSettingsStore settings_;
    app::QtSerialPort comm_;
    app::QtTimeoutTimer timer_;
    app::QtDeadlineTimer deadline_;
    app::QtDialogs dialogs_;
    app::DesktopReadmeOpener readme_;
    app::SystemTempFiles tempFiles_;
    app::SystemProgramExit exit_;
};

}  // namespace cli
