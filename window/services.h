// The window's services from the platform, each behind a small interface so that tests can
// run the window headless with fakes: the download's services (download_services.h), message
// boxes and the save dialog, the readme opener, ending the program, the list of serial
// devices and the list of USB Garmins.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "download/download_services.h"
#include "qt/usb_unit_enumeration.h"
#include "source/mounted_volumes.h"
#include "window/overview_box.h"

class QWidget;

namespace app {

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
    // An existing file to read, or nothing when the user cancelled.
    virtual std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                                const QStringList& filters,
                                                const QString& current) = 0;
    // The message that ends a download, with the overview of its track beside it.
    virtual void overview(QWidget* parent, const QString& text, const OverviewShown& shown,
                          std::function<void()> closed) {
        (void)shown;
        message(parent, text, std::move(closed));
    }
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

// For a runner that looks for no units mounted as drives.
class NoVolumes final : public source::MountedVolumes {
  public:
    QStringList roots() const override { return {}; }
    static MountedVolumes& instance() {
        static NoVolumes none;
        return none;
    }
};

// Opens a document with the desktop's default "open" action; false when it could not.
class ReadmeOpener {
  public:
    virtual ~ReadmeOpener() = default;
    virtual bool open(const QString& path) = 0;
};

// Ends the program at once, from any procedure.
class ProgramExit {
  public:
    virtual ~ProgramExit() = default;
    virtual void exitNow(int code) = 0;
};

// What the window is given. The services outlive the window.
struct Services {
    DownloadServices downloads() const {
        return {comm, tmrTimeout, deadline, settings, tempFiles, usb};
    }

    CommPort& comm;
    TimeoutTimer& tmrTimeout;
    DeadlineTimer& deadline;
    SettingsStore& settings;
    Dialogs& dialogs;
    ReadmeOpener& readme;
    TempFiles& tempFiles;
    ProgramExit& programExit;
    PortEnumeration& portList = NoPorts::instance();
    // The mounted volumes, among which the units that show up as a drive are found.
    source::MountedVolumes& volumes = NoVolumes::instance();
    // The USB Garmins the Garmin Port list offers, and the port that reaches them.
    UsbUnitEnumeration& usbUnits = NoUsbUnits::instance();
    UsbCommPort& usb = NoUsbPort::instance();
};

}  // namespace app
