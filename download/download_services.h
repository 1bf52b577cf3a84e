// The services a download reaches the platform through, each behind a small interface so
// that tests can run a download with fakes: the serial port, the reply timer, a deadline,
// the settings store and temporary files. Nothing here knows a widget.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "overview/track_overview.h"
#include "seams/seams.h"
#include "seams/usb_port.h"

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

// A Garmin unit on USB (vendor 0x091E, product 0x0003), as the downloads see it.
class UsbCommPort : public seams::UsbPort {
  public:
    // Called on the window's thread for every transfer that came and every error;
    // commEvent() and takeRead() tell what while it runs.
    virtual void setEventHandler(std::function<void()> handler) = 0;
    // Opens the unit `unit`: "usb" or "usb:1" the first Garmin found, "usb:N" the N-th,
    // or "usb:BUS-PORTS" by its place on the bus (such as "usb:1-1.4"). A kernel driver
    // that holds it (garmin_gps) is detached for the download. False when it cannot be
    // opened; openFailureText() then says why and what to do.
    virtual bool open(const QString& unit) = 0;
    virtual QString openFailureText() const = 0;
    // After a successful open: what the user should know (a kernel driver was detached),
    // or nothing.
    virtual QString openNotice() const = 0;
};

// For a program that reaches no USB unit: every open fails.
class NoUsbPort final : public UsbCommPort {
  public:
    bool isOpen() const override { return false; }
    void close() override {}
    void write(const std::string&) override {}
    std::size_t packetSize() const override { return 64; }
    void read(seams::UsbEndpoint) override {}
    bool reading() const override { return false; }
    std::optional<seams::UsbRead> takeRead() override { return std::nullopt; }
    int commEvent() const override { return 0; }
    void setEventHandler(std::function<void()>) override {}
    bool open(const QString&) override { return false; }
    QString openFailureText() const override {
        return QStringLiteral("This program reaches no USB unit.");
    }
    QString openNotice() const override { return {}; }
    static UsbCommPort& instance() {
        static NoUsbPort none;
        return none;
    }
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
    UsbCommPort& usb = NoUsbPort::instance();
    // Fed every point stored, for the overview shown at the end; none: nothing is gathered.
    overview::TrackOverview* overview = nullptr;
};

}  // namespace app
