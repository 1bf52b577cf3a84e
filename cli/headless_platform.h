// The window's Qt services for a program without a window. The downloads reach the
// user through their DownloadUi, never through the dialogs, the readme opener or the
// program's exit, which are here only because every runner holds them.
#pragma once

#include "app/desktop_services.h"
#include "app/qt_dialogs.h"
#include "app/qt_event_pump.h"
#include "app/qt_serial_port.h"
#include "app/qt_settings_store.h"
#include "app/qt_timeout_timer.h"
#include "app/steady_clock.h"
#include "cli/options.h"

namespace cli {

class HeadlessPlatform {
  public:
    HeadlessPlatform();

    app::Services services();
    const app::SettingsStore& settings() const { return settings_; }
    // The port of a download by device path: its port number names that device.
    void useDevice(const app::PortChoice& choice) { ports_.choice = choice; }

  private:
    // The user's store, with a device given on the command line in place of the
    // [Ports] mapping of its port number.
    class PortStore final : public app::SettingsStore {
      public:
        explicit PortStore(app::SettingsStore& store) : store_(store) {}
        std::optional<QString> read(const QString& section, const QString& key) const override;
        void write(const QString& section, const QString& key, const QString& value) override {
            store_.write(section, key, value);
        }
        app::PortChoice choice;

      private:
        app::SettingsStore& store_;
    };
    app::QtSettingsStore settings_;
    PortStore ports_;
    app::QtSerialPort comm_;
    app::QtTimeoutTimer timer_;
    app::QtEventPump pump_;
    app::SteadyClock clock_;
    app::QtDialogs dialogs_;
    app::DesktopReadmeOpener readme_;
    app::SystemTempFiles tempFiles_;
    app::SystemProgramExit exit_;
};

}  // namespace cli
