// A serial port that hands every line written and read to a frame trace: what a text
// download (Magellan) sends and receives, one sentence a line. Used only while a trace
// is open; otherwise the download talks to the port itself.
#pragma once

#include <string>

#include "download/frame_trace.h"
#include "seams/seams.h"

namespace app {

class TracingPort final : public seams::SerialPort {
  public:
    TracingPort(seams::SerialPort& port, FrameTrace& trace) : port_(port), trace_(trace) {}
    ~TracingPort() override { flushReceived(); }
    TracingPort(const TracingPort&) = delete;
    TracingPort& operator=(const TracingPort&) = delete;

    bool isOpen() const override { return port_.isOpen(); }
    bool open(int port, const std::string& settings) override { return port_.open(port, settings); }
    // What arrived without a line end is traced as it is when the port closes.
    void close() override;
    void write(const std::string& bytes) override;
    std::string readAll() override;
    void discardInput() override { port_.discardInput(); }
    bool setSpeed(int bitsPerSecond) override { return port_.setSpeed(bitsPerSecond); }
    int commEvent() const override { return port_.commEvent(); }

  private:
    void flushReceived();

    seams::SerialPort& port_;
    FrameTrace& trace_;
    std::string received_;  // the start of a line still to come
};

}  // namespace app
