// End-to-end harness: the real window with the real Qt serial port, event pump and
// timer, talking through a pseudo-terminal to kelvaron-sim; an isolated settings
// file and temporary folder; message boxes, the readme and the program's exit faked
// so every message is captured.
//
//   QTemporaryDir dir;
//   kelvaron_e2e::SimReceiver sim(dir.path(), {"--protocol", "magellan", "--unpaced"});
//   kelvaron_e2e::LiveWindow w(dir.path());
//   w.mapPort(1, sim.link());
//   w.set("FName", dir.filePath("out.txt"));
//   w.open();
//   ASSERT_TRUE(w.save());
#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/desktop_services.h"
#include "app/frm_kelvaron.h"
#include "app/qt_event_pump.h"
#include "app/qt_serial_port.h"
#include "app/qt_settings_store.h"
#include "app/qt_timeout_timer.h"
#include "app/steady_clock.h"
#include "tests/app/support/fakes.h"
#include "tests/app/support/window_access.h"

namespace kelvaron_e2e {

// The built simulator.
QString Sim_Path();
// A file of tests/e2e/fixtures.
QString Fixture(const QString& name);
// What the conversion pass makes of a point file (such as the simulator's
// --dump-track), compared byte for byte with the program's output.
QByteArray Converted(const QString& pointFile, bool grid, bool reduce, int deviation);
QByteArray Read_File(const QString& path);

// A running kelvaron-sim whose pseudo-terminal is linked at <folder>/gps.
class SimReceiver {
  public:
    SimReceiver(const QString& folder, const QStringList& options);
    ~SimReceiver();

    bool started() const { return !device_.isEmpty(); }
    QString link() const { return link_; }
    QString device() const { return device_; }
    // Ends the simulator at once, as if the receiver were unplugged.
    void unplug();
    // True when it exited by itself within `ms` with status 0.
    bool finished(int ms = 5000);
    QString errors();

  private:
    QProcess process_;
    QString link_;
    QString device_;
};

// The window on the real services, its settings file and temporary folder in `folder`.
class LiveWindow {
  public:
    explicit LiveWindow(const QString& folder);
    ~LiveWindow();

    // Before open(): values of the settings file's [Settings] and [Ports].
    void set(const QString& key, const QString& value);
    void mapPort(int port, const QString& device);

    frmKelvaron& open();
    frmKelvaron& window() { return *window_; }
    frmKelvaronTestAccess& access() { return *access_; }

    // Presses Save and returns when the download has returned. When it takes more than
    // `limitMs`, a watchdog presses Cancel and the result is false.
    bool save(int limitMs = 30000);
    // Handles events until `done` holds or `limitMs` have passed; false on the limit.
    // For what goes on after Save has returned, such as a Garmin transfer.
    bool runUntil(const std::function<bool()>& done, int limitMs = 30000);
    // Runs `action` `afterMs` into the next save().
    void during(int afterMs, std::function<void()> action);

    QStringList leftoverPointFiles() const;
    QString caption() const { return window_->windowTitle(); }

    kelvaron_test::RecordingDialogs dialogs;
    kelvaron_test::FakeReadme readme;
    kelvaron_test::RecordingExit exit;

  private:
    QString folder_;
    QString tempFolder_;
    app::QtSettingsStore store_;
    app::QtSerialPort comm_;
    app::QtTimeoutTimer timer_;
    app::QtEventPump pump_;
    app::SteadyClock clock_;
    app::SystemTempFiles tempFiles_;
    std::unique_ptr<frmKelvaron> window_;
    std::unique_ptr<frmKelvaronTestAccess> access_;
    std::vector<std::pair<int, std::function<void()>>> actions_;
};

}  // namespace kelvaron_e2e
