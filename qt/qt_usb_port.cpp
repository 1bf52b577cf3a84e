#include "qt/qt_usb_port.h"

#include <sys/stat.h>
#include <QFileInfo>
#include <QMetaObject>

#include "qt/usb_endpoints.h"
#include "qt/usb_unit_id.h"

namespace app {

namespace {

constexpr int kInterface = 0;

// Who may open the device node, for a unit that was refused.
void addNodeFacts(UsbOpenFailure& f) {
    struct stat st {};
    if (::stat(QFile::encodeName(f.node).constData(), &st) != 0) return;
    const QFileInfo info(f.node);
    f.mode = st.st_mode & 07777;
    f.owner = info.owner().isEmpty() ? QString::number(st.st_uid) : info.owner();
    f.group = info.group().isEmpty() ? QString::number(st.st_gid) : info.group();
}

UsbOpenFailure::Reason reasonOf(int libusbError) {
    switch (libusbError) {
        case LIBUSB_ERROR_ACCESS:
            return UsbOpenFailure::Reason::Access;
        case LIBUSB_ERROR_BUSY:
            return UsbOpenFailure::Reason::Busy;
        default:
            return UsbOpenFailure::Reason::Other;
    }
}

}  // namespace

QtUsbPort::~QtUsbPort() {
    close();
    retired_.reset();
}

bool QtUsbPort::open(const QString& unit) {
    close();
    retired_.reset();
    failure_.clear();
    notice_.clear();
    UsbOpenFailure failure;
    failure.unit = unit;
    failure.reason = UsbOpenFailure::Reason::BadName;
    const auto id = UsbUnitId::parse(unit);
    if (!id) return fail(failure);
    if (!context_) context_ = std::make_unique<LibusbContext>();
    failure.reason = UsbOpenFailure::Reason::NoLibusb;
    failure.libusbName = QString::fromLatin1(libusb_error_name(context_->error()));
    if (!context_->get()) return fail(failure);
    const GarminUsbDevices devices(context_->get());
    failure.libusbName = QString::fromLatin1(libusb_error_name(devices.error()));
    if (devices.error() != LIBUSB_SUCCESS) return fail(failure);
    const auto& units = devices.units();
    failure.attached = static_cast<int>(units.size());
    failure.reason =
        units.empty() ? UsbOpenFailure::Reason::NoUnit : UsbOpenFailure::Reason::NoSuchUnit;
    const GarminUsbDevices::Unit* chosen = nullptr;
    if (id->index > 0 && id->index <= failure.attached)
        chosen = &units[static_cast<std::size_t>(id->index - 1)];
    for (const auto& u : units)
        if (id->index == 0 && u.busPath() == id->busPath) chosen = &u;
    if (!chosen) return fail(failure);
    return openUnit(*chosen, failure);
}

bool QtUsbPort::openUnit(const GarminUsbDevices::Unit& unit, UsbOpenFailure& failure) {
    const auto endpoints = UsbEndpoints::find(unit.device);
    failure.reason = UsbOpenFailure::Reason::NoEndpoints;
    if (!endpoints) return fail(failure);
    libusb_device_handle* handle = nullptr;
    const int opened = libusb_open(unit.device, &handle);
    if (opened != LIBUSB_SUCCESS) {
        failure.reason = reasonOf(opened);
        failure.libusbName = QString::fromLatin1(libusb_error_name(opened));
        failure.node = unit.deviceNode();
        if (failure.reason == UsbOpenFailure::Reason::Access) addNodeFacts(failure);
        return fail(failure);
    }
    bool detached = false;
    if (!claim(handle, detached, failure)) {
        libusb_close(handle);
        return fail(failure);
    }
    startWorker(handle, *endpoints, detached);
    if (detached)
        notice_ = QStringLiteral(
            "The kernel's garmin_gps driver held the unit; it is detached for the download "
            "and given back after it.");
    return true;
}

// The kernel's garmin_gps driver, where it is loaded, binds the unit as a serial port.
// It is detached by hand rather than by libusb's automatic detach, so that the program
// knows to give it back and to say so.
bool QtUsbPort::claim(libusb_device_handle* handle, bool& detached, UsbOpenFailure& failure) {
    if (libusb_kernel_driver_active(handle, kInterface) == 1) {
        const int result = libusb_detach_kernel_driver(handle, kInterface);
        if (result != LIBUSB_SUCCESS && result != LIBUSB_ERROR_NOT_FOUND) {
            failure.reason = reasonOf(result);
            failure.libusbName = QString::fromLatin1(libusb_error_name(result));
            return false;
        }
        detached = result == LIBUSB_SUCCESS;
    }
    const int result = libusb_claim_interface(handle, kInterface);
    if (result == LIBUSB_SUCCESS) return true;
    failure.reason = reasonOf(result);
    failure.libusbName = QString::fromLatin1(libusb_error_name(result));
    if (detached) libusb_attach_kernel_driver(handle, kInterface);
    return false;
}

void QtUsbPort::startWorker(libusb_device_handle* handle, const UsbEndpoints& endpoints,
                            bool detached) {
    ++generation_;
    const unsigned generation = generation_;
    auto deliver = [this, generation](UsbTransferWorker::Outcome outcome) {
        QMetaObject::invokeMethod(
            &events_, [this, generation, outcome] { onOutcome(generation, outcome); },
            Qt::QueuedConnection);
    };
    // The unit is given back on the worker's thread, after its last transfer.
    auto finish = [handle, detached] {
        libusb_release_interface(handle, kInterface);
        if (detached) libusb_attach_kernel_driver(handle, kInterface);
        libusb_close(handle);
    };
    worker_ = std::make_unique<UsbTransferWorker>(handle, endpoints, deliver, finish);
    packetSize_ = endpoints.packetSize;
    open_ = true;
}

void QtUsbPort::close() {
    ++generation_;
    open_ = false;
    reading_ = false;
    current_.reset();
    retireWorker();
}

void QtUsbPort::retireWorker() {
    if (!worker_) return;
    worker_->stop();
    retired_ = std::move(worker_);
}

void QtUsbPort::write(const std::string& bytes) {
    if (open_) worker_->write(bytes);
}

void QtUsbPort::read(seams::UsbEndpoint endpoint) {
    if (!open_ || reading_) return;
    reading_ = true;
    worker_->read(endpoint);
}

std::optional<seams::UsbRead> QtUsbPort::takeRead() {
    auto read = std::move(current_);
    current_.reset();
    return read;
}

void QtUsbPort::onOutcome(unsigned generation, const UsbTransferWorker::Outcome& outcome) {
    if (generation != generation_ || !open_) return;
    if (outcome.read) {
        reading_ = false;
        current_ = outcome.read;
        event_ = seams::kCommEvReceive;
    } else {
        // The unit was unplugged or failed: the port is closed before anyone hears of it.
        close();
        event_ = kCommEvPortLost;
    }
    if (handler_) handler_();
    current_.reset();
}

bool QtUsbPort::fail(const UsbOpenFailure& failure) {
    failure_ = usbOpenFailureText(failure);
    return false;
}

}  // namespace app
