#include "qt/qt_serial_port.h"

#include <QFileInfo>
#include <QTimer>

#include "download/line_settings.h"
#include "download/open_failure.h"
#include "download/port_map.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace app {

namespace {

QSerialPort::Parity qtParity(LineSettings::Parity p) {
    switch (p) {
        case LineSettings::Parity::Even:
            return QSerialPort::EvenParity;
        case LineSettings::Parity::Odd:
            return QSerialPort::OddParity;
        case LineSettings::Parity::Mark:
            return QSerialPort::MarkParity;
        case LineSettings::Parity::Space:
            return QSerialPort::SpaceParity;
        case LineSettings::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(LineSettings::StopBits s) {
    switch (s) {
        case LineSettings::StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case LineSettings::StopBits::Two:
            return QSerialPort::TwoStop;
        case LineSettings::StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

// What the system says about a device that would not open.
void addDeviceFacts(OpenFailure& f) {
#ifdef Q_OS_WIN
    (void)f;
#else
    const QByteArray path = QFile::encodeName(f.device);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        f.exists = errno != ENOENT && errno != ENOTDIR;
        return;
    }
    f.characterDevice = S_ISCHR(st.st_mode);
    f.mode = st.st_mode & 07777;
    f.accessible = ::access(path.constData(), R_OK | W_OK) == 0;
    const QFileInfo info(f.device);
    f.owner = info.owner().isEmpty() ? QString::number(st.st_uid) : info.owner();
    f.group = info.group().isEmpty() ? QString::number(st.st_gid) : info.group();
    // A character device that opens but has no line settings (/dev/null) is no serial
    // port; the system's own words for that, "Inappropriate ioctl", help nobody.
    if (f.characterDevice && f.accessible && f.error != QSerialPort::PermissionError) {
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            f.terminal = ::isatty(fd) == 1;
            ::close(fd);
        }
    }
#endif
}

}  // namespace

QtSerialPort::QtSerialPort(const SettingsStore& store) : store_(store) {
    QObject::connect(&serial_, &QSerialPort::readyRead, &serial_, [this] { onReadyRead(); });
    QObject::connect(&serial_, &QSerialPort::errorOccurred, &serial_,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

// The line's low-latency setting goes back as at any close.
QtSerialPort::~QtSerialPort() {
    close();
}

bool QtSerialPort::isOpen() const {
    return serial_.isOpen() && !lost_;
}

QString QtSerialPort::deviceName(int port) const {
    return deviceForPort(port, store_);
}

void QtSerialPort::setEventHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

bool QtSerialPort::open(int port, const std::string& settings) {
    close();
    openFailure_.clear();
    const QString device = device_.isEmpty() ? deviceName(port) : device_;
    const auto line = parseLineSettings(settings);
    if (!line) {
        openFailure_ = QStringLiteral(
                           "Cannot open port %1: the line settings \"%2\" are "
                           "not understood.")
                           .arg(portDescription(*this, port), QString::fromStdString(settings));
        return false;
    }
    serial_.setPortName(device);
    serial_.setBaudRate(line->speed);
    serial_.setDataBits(static_cast<QSerialPort::DataBits>(line->dataBits));
    serial_.setParity(qtParity(line->parity));
    serial_.setStopBits(qtStopBits(line->stopBits));
    serial_.setFlowControl(QSerialPort::NoFlowControl);
    serial_.setReadBufferSize(0);
    if (!serial_.open(QIODevice::ReadWrite)) {
        openFailure_ = describeOpenFailure(port, device);
        serial_.clearError();
        return false;
    }
    ++generation_;
    serial_.clearError();
    lowLatency_.request(static_cast<int>(serial_.handle()));
    return true;
}

void QtSerialPort::close() {
    ++generation_;
    lost_ = false;
    leftover_.clear();
    if (!serial_.isOpen()) return;
    lowLatency_.restore(static_cast<int>(serial_.handle()));
    serial_.close();
}

void QtSerialPort::write(const std::string& bytes) {
    if (!isOpen() || bytes.empty()) return;
    serial_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Hands the bytes to the driver now rather than at the next turn of the event loop.
    serial_.flush();
}

std::string QtSerialPort::readAll() {
    std::string bytes;
    bytes.swap(leftover_);
    if (serial_.isOpen()) {
        const QByteArray fresh = serial_.readAll();
        bytes.append(fresh.constData(), static_cast<std::size_t>(fresh.size()));
    }
    return bytes;
}

void QtSerialPort::discardInput() {
    leftover_.clear();
    if (serial_.isOpen() && !lost_) {
        serial_.clear(QSerialPort::Input);
        serial_.readAll();
    }
}

bool QtSerialPort::setSpeed(int bitsPerSecond) {
    if (!isOpen()) return false;
    // Whatever Qt still holds goes to the driver, and the driver sends it at the old speed:
    // a receiver's last acknowledgement before a speed change must reach it whole.
    serial_.flush();
#ifndef Q_OS_WIN
    ::tcdrain(static_cast<int>(serial_.handle()));
#endif
    if (!serial_.setBaudRate(bitsPerSecond)) {
        serial_.clearError();
        return false;
    }
    return true;
}

void QtSerialPort::onReadyRead() {
    if (!lost_) deliver(seams::kCommEvReceive);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
        case QSerialPort::WriteError:
            break;
        default:
            // A pseudo-terminal refuses the modem lines (UnsupportedOperationError) and
            // timeouts belong to blocking calls we never make: neither harms the port.
            return;
    }
    if (!serial_.isOpen() || lost_) return;
    // The device went away. Qt repeats this error for every notification until the
    // port is closed, so it is reported once, and the close waits until Qt has left
    // the notifier that is reporting it.
    lost_ = true;
    const unsigned generation = generation_;
    QTimer::singleShot(0, &serial_, [this, generation] { dropLostPort(generation); });
}

void QtSerialPort::dropLostPort(unsigned generation) {
    if (generation != generation_ || !lost_) return;
    const QByteArray rest = serial_.readAll();
    leftover_.append(rest.constData(), static_cast<std::size_t>(rest.size()));
    serial_.close();
    deliver(kCommEvPortLost);
}

void QtSerialPort::deliver(int kind) {
    event_ = kind;
    if (handler_) handler_();
}

QString QtSerialPort::describeOpenFailure(int port, const QString& device) const {
    OpenFailure f;
    f.port = portDescription(*this, port);
    if (device_.isEmpty()) f.portNumber = portLabel(port);
    f.device = device;
    f.error = serial_.error();
    f.systemText = serial_.errorString();
    addDeviceFacts(f);
    return app::openFailureText(f);
}

}  // namespace app
