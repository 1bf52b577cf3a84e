// Why a serial port did not open, in words a user can act on. The facts are gathered
// from the system by the port; the words are chosen here, apart from any device.
#pragma once

#include <QSerialPort>
#include <QString>

namespace app {

struct OpenFailure {
    QString port;        // as messages name it: "COM1 (/dev/ttyS0)" or a device path
    QString portNumber;  // "COM1" when chosen by number, so [Ports] can move it; else empty
    QString device;      // the path
    QSerialPort::SerialPortError error = QSerialPort::OpenError;
    QString systemText;  // the system's words for the error
    // From stat(2) and access(2) of the device.
    bool exists = true;
    bool characterDevice = true;
    bool terminal = true;    // false only when it opened and turned out to be no terminal
    bool accessible = true;  // this user may read and write it
    QString owner;
    QString group;
    unsigned mode = 0;  // permission bits
};

QString openFailureText(const OpenFailure& f);

}  // namespace app
