#include "qt/usb_open_failure.h"

namespace app {

namespace {

using Reason = UsbOpenFailure::Reason;

QString attachedCount(int n) {
    return n == 1 ? QStringLiteral("1 Garmin USB unit is attached")
                  : QStringLiteral("%1 Garmin USB units are attached").arg(n);
}

QString accessText(const UsbOpenFailure& f, const QString& head) {
    QString text = head + QStringLiteral("permission denied.\r\n");
    if (!f.owner.isEmpty())
        text += QStringLiteral("%1 belongs to %2:%3 with mode %4.\r\n")
                    .arg(f.node, f.owner, f.group)
                    .arg(f.mode & 07777, 4, 8, QLatin1Char('0'));
    return text + QStringLiteral(
                      "Kelvaron's package installs the udev rule %1, which gives the user at "
                      "the screen access to the unit:\r\n%2\r\n"
                      "Install the package (or copy the rule there and run \"sudo udevadm "
                      "trigger\"), then unplug the unit and plug it in again.")
                      .arg(QLatin1String(kUdevRulePath), QLatin1String(kUdevRuleLine));
}

}  // namespace

QString usbOpenFailureText(const UsbOpenFailure& f) {
    const QString head = QStringLiteral("Cannot open the Garmin USB unit %1: ").arg(f.unit);
    switch (f.reason) {
        case Reason::BadName:
            return QStringLiteral(
                       "\"%1\" names no USB unit: give usb, usb:N (the N-th unit) or "
                       "usb:BUS-PORTS (such as usb:1-1.4).")
                .arg(f.unit);
        case Reason::NoLibusb:
            return head + QStringLiteral("USB devices cannot be listed (%1).").arg(f.libusbName);
        case Reason::NoUnit:
            return QStringLiteral("No Garmin USB unit is attached.");
        case Reason::NoSuchUnit:
            return QStringLiteral("There is no Garmin USB unit %1: %2.")
                .arg(f.unit, attachedCount(f.attached));
        case Reason::NoEndpoints:
            return head + QStringLiteral("it lacks the endpoints of a Garmin unit.");
        case Reason::Access:
            return accessText(f, head);
        case Reason::Busy:
            return head + QStringLiteral(
                              "another program is using it. Close that program and try "
                              "again.");
        case Reason::Other:
            break;
    }
    return head + QStringLiteral("%1.").arg(f.libusbName);
}

}  // namespace app
