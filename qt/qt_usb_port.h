// A USB Garmin through libusb: the transfers run one at a time on a thread of their own
// (UsbTransferWorker), and each read that comes, or the error that ends the port, is
// handed to the thread that made the port as one event, as the serial port's are.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "download/download_services.h"
#include "qt/garmin_usb_devices.h"
#include "qt/libusb_context.h"
#include "qt/usb_open_failure.h"
#include "qt/usb_transfer_worker.h"

namespace app {

class QtUsbPort final : public UsbCommPort {
  public:
    QtUsbPort() = default;
    // Gives the unit back and waits for the transfer thread: at most one read slice.
    ~QtUsbPort() override;

    bool isOpen() const override { return open_; }
    void close() override;
    void write(const std::string& bytes) override;
    std::size_t packetSize() const override { return packetSize_; }
    void read(seams::UsbEndpoint endpoint) override;
    bool reading() const override { return reading_; }
    std::optional<seams::UsbRead> takeRead() override;
    int commEvent() const override { return event_; }

    void setEventHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    bool open(const QString& unit) override;
    QString openFailureText() const override { return failure_; }
    QString openNotice() const override { return notice_; }

  private:
    bool openUnit(const GarminUsbDevices::Unit& unit, UsbOpenFailure& failure);
    bool claim(libusb_device_handle* handle, bool& detached, UsbOpenFailure& failure);
    void startWorker(libusb_device_handle* handle, const UsbEndpoints& endpoints, bool detached);
    void onOutcome(unsigned generation, const UsbTransferWorker::Outcome& outcome);
    void retireWorker();
    bool fail(const UsbOpenFailure& failure);

    std::unique_ptr<LibusbContext> context_;
    QObject events_;  // outcomes are queued to it, on the thread that made the port
    std::unique_ptr<UsbTransferWorker> worker_;
    // The worker of the unit closed last, finishing its transfer; joined at the next
    // open or at the end, by which time it has long ended.
    std::unique_ptr<UsbTransferWorker> retired_;
    std::function<void()> handler_;
    // Counts opens and closes, so an outcome that was on its way when the port closed
    // is dropped.
    unsigned generation_ = 0;
    bool open_ = false;
    bool reading_ = false;
    std::size_t packetSize_ = 64;
    int event_ = 0;
    std::optional<seams::UsbRead> current_;
    QString failure_;
    QString notice_;
};

}  // namespace app
