// The serial port `comm` on QSerialPort: raw bytes both ways, no flow control,
// reads that never wait, and events handed to the window on its own thread.
#pragma once

#include <QSerialPort>
#include <QString>
#include <functional>
#include <string>

#include "download/download_services.h"
#include "qt/low_latency.h"

namespace app {

class QtSerialPort final : public CommPort {
  public:
    // Port numbers are mapped to devices through `store` (section "Ports").
    explicit QtSerialPort(const SettingsStore& store);
    ~QtSerialPort() override;

    bool isOpen() const override;
    bool open(int port, const std::string& settings) override;
    void close() override;
    void write(const std::string& bytes) override;
    std::string readAll() override;
    void discardInput() override;
    bool setSpeed(int bitsPerSecond) override;
    int commEvent() const override { return event_; }

    void setEventHandler(std::function<void()> handler) override;
    QString deviceName(int port) const override;
    void setDevice(const QString& path) override { device_ = path; }
    QString device() const override { return device_; }
    QString openFailureText() const override { return openFailure_; }

  private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void dropLostPort(unsigned generation);
    void deliver(int kind);
    QString describeOpenFailure(int port, const QString& device) const;

    const SettingsStore& store_;
    QSerialPort serial_;
    std::function<void()> handler_;
    int event_ = 0;
    // Counts opens and closes, so a close planned for a lost port does not hit a
    // port that has been closed and opened again meanwhile.
    unsigned generation_ = 0;
    bool lost_ = false;
    std::string leftover_;  // bytes read from a lost port before it was closed
    QString openFailure_;
    QString device_;  // chosen by its path; empty = the port number's
    LowLatency lowLatency_;
};

}  // namespace app
