// The end-to-end harness: the real window on the real Qt serial port and timers in the Qt
// event loop, talking through a pseudo-terminal to kelvaron-sim. Its settings file and
// temporary folder are its own; message boxes, the readme and the program's exit are
// faked so that every message is captured.
//
//   SimReceiver sim(dir, {"--protocol", "magellan", "--unpaced"});
//   LiveWindow w(dir);
//   w.mapPort(1, sim.link());
//   w.set("FName", dir + "/out.txt");
//   w.open();
//   runDownload(w, 60000);
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "qt/qt_deadline_timer.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_timeout_timer.h"
#include "qt/system_temp_files.h"
#include "tests/support/qt/app_fakes.h"
#include "window/desktop_services.h"
#include "window/frm_kelvaron.h"

namespace testkit {

QByteArray readBytes(const QString& path);

// A running kelvaron-sim whose pseudo-terminal is linked at <folder>/gps.
class SimReceiver {
  public:
    SimReceiver(const QString& folder, const QStringList& options);
    ~SimReceiver();
    bool started() const { return !device_.isEmpty(); }
    QString link() const { return link_; }
    // Ends the simulator at once, as if the receiver were unplugged.
    void unplug();
    // True when it exited by itself within `ms` with status 0.
    bool finished(int ms = 5000);
    // Stops it as Ctrl-C would; its last words are then in errors().
    void stop();
    QString errors();

  private:
    QProcess process_;
    QString link_;
    QString device_;
};

// The window on the real services; its settings file and temporary folder (tmp/) in `folder`.
class LiveWindow {
  public:
    explicit LiveWindow(const QString& folder);

    // Before open(): values of the settings file's [Settings] and [Ports].
    void set(const QString& key, const QString& value);
    void mapPort(int port, const QString& device);
    frmKelvaron& open();

    template <typename T = QWidget>
    T* control(const char* name) const {
        return window_->findChild<T*>(name);
    }
    void cancel();
    // Presses Save and returns when it returns. After `limitMs` a watchdog presses Cancel
    // and the result is false.
    bool save(int limitMs = 30000);
    // Handles events until `done` holds (true) or `limitMs` have passed (false).
    bool runUntil(const std::function<bool()>& done, int limitMs = 30000);
    // Runs `action` `ms` from now on the event loop, during Save or after it.
    void after(int ms, std::function<void()> action);

    QString tempFolder() const { return tempFolder_; }
    QStringList leftoverPointFiles() const;  // full paths
    QString caption() const { return window_->windowTitle(); }
    // All messages, one per line, for failure output.
    std::string allMessages() const;

    RecordingDialogs dialogs;
    FakeReadme readme;
    RecordingExit exit;

  private:
    QString tempFolder_;
    app::QtSettingsStore store_;
    app::QtSerialPort comm_;
    app::QtTimeoutTimer timer_;
    app::QtDeadlineTimer deadline_;
    app::SystemTempFiles tempFiles_;
    std::unique_ptr<frmKelvaron> window_;
    QObject timers_;  // owns the pending after() actions
};

// One download as a user runs it: Save, and for a Garmin transfer the port's events after
// it, until the program ends or says something other than the record count. False when
// neither happened within `limitMs`.
bool runDownload(LiveWindow& w, int limitMs);

// How an output compares with the track the receiver held, line by line.
struct Comparison {
    std::size_t expected = 0;  // lines of the receiver's track
    std::size_t written = 0;   // lines in the output
    std::size_t lost = 0;      // lines of the track that the output lacks
    std::size_t extra = 0;     // output lines beyond the track's own copies (written twice)
    bool exact = false;        // every line once, in order
    bool prefix = false;       // the output is the first `written` lines of the track
};
Comparison compareLines(const QByteArray& expected, const QByteArray& written);

}  // namespace testkit
