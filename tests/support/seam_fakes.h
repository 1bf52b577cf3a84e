// Fakes of the seams both download families run on, and a host that records what the
// Garmin engine hands the window. Every suite, fuzz target and harness uses these.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "garmin/host.h"
#include "seams/seams.h"
#include "seams/usb_port.h"

namespace testkit {

// A serial port whose input the test hands out: `input` all at once, then `chunks` one per
// read. Every write is kept, and `onWrite` may answer it. The window's port fake builds on
// it with the window's port as `Base`.
template <class Base = seams::SerialPort>
class BasicFakePort : public Base {
  public:
    bool isOpen() const override { return open_; }
    bool open(int port, const std::string& settings) override {
        opens.emplace_back(port, settings);
        open_ = port != refusedPort;
        return open_;
    }
    void close() override { open_ = false; }
    void write(const std::string& bytes) override {
        written.push_back(bytes);
        if (onWrite) onWrite(bytes);
    }
    // After the last chunk the port reads empty, or drops when `loseAtEnd` is set (the
    // receiver unplugged).
    std::string readAll() override {
        ++reads;
        if (!input.empty()) return std::exchange(input, {});
        if (chunks.empty()) {
            if (loseAtEnd) open_ = false;
            return {};
        }
        std::string next = std::move(chunks.front());
        chunks.pop_front();
        return next;
    }
    void discardInput() override {
        input.clear();
        ++discards;
    }
    int commEvent() const override { return event; }
    bool setSpeed(int bitsPerSecond) override {
        if (!open_) return false;
        speeds.push_back(bitsPerSecond);
        if (onSpeed) onSpeed(bitsPerSecond);
        return true;
    }

    int refusedPort = 99;
    bool loseAtEnd = false;
    int event = seams::kCommEvReceive;
    std::string input;
    std::deque<std::string> chunks;
    std::vector<std::pair<int, std::string>> opens;
    std::vector<std::string> written;
    std::function<void(const std::string&)> onWrite;
    // Every speed the port was moved to while open, in order.
    std::vector<int> speeds;
    std::function<void(int)> onSpeed;
    int reads = 0;
    int discards = 0;

  private:
    bool open_ = false;
};
using FakePort = BasicFakePort<>;

// A USB unit whose transfers the test hands in one at a time with `arrive`, whichever
// endpoint was asked. Every write and read asked for is kept, in order.
template <class Base = seams::UsbPort>
class BasicFakeUsbPort : public Base {
  public:
    bool isOpen() const override { return connected; }
    void plugIn() { connected = true; }
    void close() override {
        connected = false;
        asked.reset();
    }
    void write(const std::string& bytes) override {
        written.push_back(bytes);
        if (onWrite) onWrite(bytes);
    }
    std::size_t packetSize() const override { return 64; }
    void read(seams::UsbEndpoint endpoint) override {
        if (asked) ++secondReads;
        asked = endpoint;
        if (onRead) onRead(endpoint);
    }
    bool reading() const override { return asked.has_value(); }
    std::optional<seams::UsbRead> takeRead() override { return std::exchange(transfer, {}); }
    int commEvent() const override { return event; }
    // One transfer that came (`kind` kCommEvReceive), or an error that closed the port.
    template <class Deliver>
    void arrive(seams::UsbEndpoint endpoint, std::string bytes, Deliver deliver,
                int kind = seams::kCommEvReceive) {
        asked.reset();
        event = kind;
        if (kind == seams::kCommEvReceive)
            transfer = seams::UsbRead{endpoint, std::move(bytes)};
        else
            connected = false;
        deliver();
        transfer.reset();
    }

    bool connected = true;
    int event = seams::kCommEvReceive;
    std::optional<seams::UsbEndpoint> asked;
    std::optional<seams::UsbRead> transfer;
    std::vector<std::string> written;
    std::function<void(const std::string&)> onWrite;
    std::function<void(seams::UsbEndpoint)> onRead;
    int secondReads = 0;  // reads asked for while one was still asked for
};
using FakeUsbPort = BasicFakeUsbPort<>;

template <class Base = seams::ReplyTimer>
class BasicFakeTimer : public Base {
  public:
    void arm() override { armed = true; }
    void disarm() override { armed = false; }
    bool isArmed() const override { return armed; }
    bool armed = false;
};
using FakeTimer = BasicFakeTimer<>;

// Knows when it would fire on the test's own clock of seconds.
template <class Base = seams::Deadline>
class BasicFakeDeadline : public Base {
  public:
    void arm(double seconds) override { due = now + seconds; }
    void disarm() override { due.reset(); }
    // Lets `seconds` go by; true when the deadline fell due meanwhile (it is then spent).
    bool elapse(double seconds) {
        now += seconds;
        if (!due || *due > now) return false;
        due.reset();
        return true;
    }
    double now = 0;
    std::optional<double> due;
};
using FakeDeadline = BasicFakeDeadline<>;

// What the engine reported ("no answer", "resends exhausted", "corrupt packets exhausted",
// "checksums") and its message.
struct Report {
    std::string what;
    std::string message;
};

class RecordingHost : public garmin::Host {
  public:
    void onPacket(const garmin::PacketEvent& packet) override {
        packets.push_back(packet);
        if (onHanded) onHanded(packet);
    }
    void onLinkError(garmin::LinkError error, const std::string& message) override {
        static const char* const kinds[] = {"no answer", "resends exhausted",
                                            "corrupt packets exhausted"};
        reports.push_back({kinds[static_cast<int>(error)], message});
    }
    void onChecksumErrors(const std::string& message) override {
        reports.push_back({"checksums", message});
    }
    void onSentence() override {}

    std::vector<garmin::PacketEvent> packets;
    std::vector<Report> reports;
    std::function<void(const garmin::PacketEvent& packet)> onHanded;
};

}  // namespace testkit
