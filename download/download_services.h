// The services a download reaches the platform through, each behind a small interface so
// that tests can run a download with fakes: the serial port, the reply timer, a deadline,
// the settings store and temporary files. Nothing here knows a widget.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "seams/seams.h"

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

// Temporary point files: new, empty, uniquely named "ts..." in the user's temporary
// directory, readable only by the user.
class TempFiles {
  public:
    virtual ~TempFiles() = default;
    // The full path of the new file; throws std::runtime_error when none can be made.
    virtual QString create() = 0;
};

// A serial device present on the machine.
struct PortInfo {
    QString device;       // the path to open, such as /dev/ttyUSB0
    QString name;         // such as ttyUSB0
    QString description;  // such as USB-Serial Controller; may be empty
};

// What a download is given; the runner's services outlive it.
struct DownloadServices {
    CommPort& comm;
    TimeoutTimer& tmrTimeout;
    DeadlineTimer& deadline;
    SettingsStore& settings;
    TempFiles& tempFiles;
};

}  // namespace app
