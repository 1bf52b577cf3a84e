// kelvaron-sim's USB unit (tools/sim/usb_unit.h) as the downloads see a unit on USB: it
// opens unless refused, with the words the real port gives, and its transfers reach the
// handler the runner installed when the test calls deliver().
#pragma once

#include <QStringList>
#include <functional>
#include <utility>

#include "download/download_services.h"
#include "tools/sim/usb_unit.h"

namespace testkit {

class SimUsbPort final : public app::UsbCommPort {
  public:
    explicit SimUsbPort(ksim::UsbUnit& unit) : unit_(unit) {}

    bool isOpen() const override { return unit_.isOpen(); }
    void close() override { unit_.close(); }
    void write(const std::string& bytes) override { unit_.write(bytes); }
    std::size_t packetSize() const override { return unit_.packetSize(); }
    void read(seams::UsbEndpoint endpoint) override { unit_.read(endpoint); }
    bool reading() const override { return unit_.reading(); }
    std::optional<seams::UsbRead> takeRead() override { return unit_.takeRead(); }
    int commEvent() const override { return unit_.commEvent(); }
    void setEventHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    bool open(const QString& unit) override {
        opened << unit;
        if (!refuse) unit_.plugIn();
        return !refuse;
    }
    QString openFailureText() const override { return failureText; }
    QString openNotice() const override { return notice; }

    // One transfer (or the unplugging) the unit has for the read asked for.
    bool deliver() { return unit_.deliver(handler_); }

    QStringList opened;
    bool refuse = false;
    QString failureText;
    QString notice;

  private:
    ksim::UsbUnit& unit_;
    std::function<void()> handler_;
};

}  // namespace testkit
