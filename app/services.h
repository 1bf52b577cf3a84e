// The window's services from the platform, each behind a small interface so that
// tests can run the window headless with fakes: the serial port, the reply timer, a
// deadline, the settings store, message boxes and the save dialog,
// the readme opener, temporary files, ending the program and the list of serial devices.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "seams/seams.h"

class QWidget;

namespace app {

// Kind of the event delivered when the port's device went away (read or resource
// error): the port has been closed already. Above kCommErrorThreshold like every
// communication error.
inline constexpr int kCommEvPortLost = seams::kCommErrorThreshold + 100;

// The serial port `comm`, as the window and the downloads see it.
class CommPort : public seams::SerialPort {
  public:
    // Called on the window's thread for every data-received or error event;
    // commEvent() tells the kind while it runs.
    virtual void setEventHandler(std::function<void()> handler) = 0;
    // The device that port number `port` (1 = COM1) stands for.
    virtual QString deviceName(int port) const = 0;
    // A device to open by its path instead of the port number's; empty = by number.
    // Messages then name the path.
    virtual void setDevice(const QString& path) = 0;
    virtual QString device() const = 0;
    // After a failed open: what failed and what to do, in words for the user.
    virtual QString openFailureText() const = 0;
};

// The timer `tmrTimeout`; ticks reach the handler on the window's thread.
class TimeoutTimer : public seams::ReplyTimer {
  public:
    virtual void setTickHandler(std::function<void()> handler) = 0;
};

// A one-shot deadline; when it passes, the handler runs on the window's thread.
class DeadlineTimer : public seams::Deadline {
  public:
    virtual void setHandler(std::function<void()> handler) = 0;
};

// The per-user settings store: text values addressed by section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<QString> read(const QString& section, const QString& key) const = 0;
    virtual void write(const QString& section, const QString& key, const QString& value) = 0;
    // Where and why values written could not be kept, as "<file>: <reason>"; empty while
    // every write has been kept.
    virtual QString writeFailure() const = 0;
};

// Dialogs, all titled with the program's name. Lines of a text are separated by CR LF.
// A message box is modal to its window but does not wait: it is shown and the call returns;
// the answer comes later as a call of `closed` or `answered` (a test's fake may answer at
// once, from inside the call).
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual void message(QWidget* parent, const QString& text, std::function<void()> closed) = 0;
    // `answered` gets true for Retry, false for Cancel.
    virtual void retryCancel(QWidget* parent, const QString& text,
                             std::function<void(bool)> answered) = 0;
    // The chosen path, or nothing when the user cancelled. `filters` are in the form
    // "Text (*.txt)"; `chosenFilter` gets the one the user chose.
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& title,
                                                const QStringList& filters, const QString& current,
                                                QString& chosenFilter) = 0;
};

// A serial device present on the machine.
struct PortInfo {
    QString device;       // the path to open, such as /dev/ttyUSB0
    QString name;         // such as ttyUSB0
    QString description;  // such as USB-Serial Controller; may be empty
};

// The serial devices present right now: USB adapters, ACM devices, ports with a driver.
class PortEnumeration {
  public:
    virtual ~PortEnumeration() = default;
    virtual std::vector<PortInfo> ports() const = 0;
};

// For a runner that offers no list of ports.
class NoPorts final : public PortEnumeration {
  public:
    std::vector<PortInfo> ports() const override { return {}; }
    static PortEnumeration& instance() {
        static NoPorts none;
        return none;
    }
};

// Opens a document with the desktop's default "open" action; false when it could not.
class ReadmeOpener {
  public:
    virtual ~ReadmeOpener() = default;
    virtual bool open(const QString& path) = 0;
};

// Temporary point files: new, empty, uniquely named "ts..." in the user's temporary
// directory, readable only by the user.
class TempFiles {
  public:
    virtual ~TempFiles() = default;
    // The full path of the new file; throws std::runtime_error when none can be made.
    virtual QString create() = 0;
};

// Ends the program at once, from any procedure.
class ProgramExit {
  public:
    virtual ~ProgramExit() = default;
    virtual void exitNow(int code) = 0;
};

// What the window is given. The services outlive the window.
struct Services {
    CommPort& comm;
    TimeoutTimer& tmrTimeout;
    DeadlineTimer& deadline;
    SettingsStore& settings;
    Dialogs& dialogs;
    ReadmeOpener& readme;
    TempFiles& tempFiles;
    ProgramExit& programExit;
    PortEnumeration& portList = NoPorts::instance();
};

}  // namespace app
