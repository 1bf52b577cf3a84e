#include "download/open_failure.h"

#include <QStringList>

namespace app {

namespace {

// Groups that exist to give their members the serial ports: joining one is the usual
// remedy. Joining any other group (root's, a disk's) would be bad advice.
const QStringList kSerialGroups = {QStringLiteral("dialout"), QStringLiteral("uucp")};

}  // namespace

QString openFailureText(const OpenFailure& f) {
    const QString head = QStringLiteral("Cannot open port %1: ").arg(f.port);
    if (!f.exists || f.error == QSerialPort::DeviceNotFoundError) {
        if (f.portNumber.isEmpty())
            return head + QStringLiteral("the device does not exist.\r\nCheck the cable.");
        return head + QStringLiteral(
                          "the device does not exist.\r\nCheck the cable, or map %1 to "
                          "the right device in the section [Ports] of the settings file.")
                          .arg(f.portNumber);
    }
    if (!f.characterDevice || !f.terminal) return head + QStringLiteral("it is not a serial port.");
    if (f.error != QSerialPort::PermissionError) return head + f.systemText + QStringLiteral(".");
    if (f.accessible) return head + QStringLiteral("it is in use by another program.");
    if (kSerialGroups.contains(f.group)) {
        return head + QStringLiteral(
                          "permission denied.\r\nYour user must belong to the group "
                          "that owns the device (%1): run \"sudo usermod -aG %1 "
                          "$USER\", then log out and in again.")
                          .arg(f.group);
    }
    return head + QStringLiteral("permission denied.\r\n%1 belongs to %2:%3 with mode %4.")
                      .arg(f.device, f.owner, f.group)
                      .arg(f.mode & 07777, 4, 8, QLatin1Char('0'));
}

}  // namespace app
