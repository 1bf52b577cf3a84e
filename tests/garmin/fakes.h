// Fakes for the engine's seams, and a fixture that drives cGarminGPS byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "garmin/gps.h"

namespace garmin::test {

using Bytes = std::vector<std::uint8_t>;

inline std::string str(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
inline Bytes bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class FakePort : public SerialPort {
  public:
    bool isOpen() const override { return open_; }
    bool open(int port, const std::string& settings) override {
        ++opens;
        openedPort = port;
        openedSettings = settings;
        open_ = port != badPort;
        return open_;
    }
    void close() override { open_ = false; }
    void write(const std::string& bytes) override { written.push_back(bytes); }
    std::string readAll() override { return std::exchange(input, {}); }
    void discardInput() override {
        input.clear();
        ++discards;
    }
    int commEvent() const override { return event; }

    int badPort = 99;
    int opens = 0;
    int openedPort = 0;
    std::string openedSettings;
    std::string input;
    std::vector<std::string> written;
    int discards = 0;
    int event = kCommEvReceive;

  private:
    bool open_ = false;
};

class FakeTimer : public ReplyTimer {
  public:
    void arm() override { armed = true; }
    void disarm() override { armed = false; }
    bool isArmed() const override { return armed; }
    bool armed = false;
};

class FakeClock : public Clock {
  public:
    double secondsElapsed() const override { return now; }
    double now = 0;
};

// Each call lets time pass by its whole allowance and runs what the test scheduled.
class FakePump : public EventPump {
  public:
    explicit FakePump(FakeClock& clock) : clock_(clock) {}
    void processEvents(int maxWaitMs) override {
        waits.push_back(maxWaitMs);
        clock_.now += maxWaitMs / 1000.0;
        if (onEvents) onEvents();
    }
    std::vector<int> waits;
    std::function<void()> onEvents;

  private:
    FakeClock& clock_;
};

struct ErrorReport {
    std::int16_t code;
    std::string message;
    Packet packet;
};

class FakeHost : public Host {
  public:
    void Receive(std::uint8_t& command, std::uint8_t& data1) override {
        received.push_back(command);
        firstData.push_back(data1);
        if (onReceive) onReceive(command);
    }
    void cError(std::int16_t& code, std::string& message, Packet& packet) override {
        errors.push_back({code, message, packet});
    }
    void setSentencesSeen(bool seen) override { sentencesSeen = seen; }

    std::vector<std::uint8_t> received;
    std::vector<std::uint8_t> firstData;
    std::vector<ErrorReport> errors;
    bool sentencesSeen = false;
    std::function<void(std::uint8_t)> onReceive;
};

// The test's own framing, written from the protocol description independently of the engine.
inline Bytes frame(std::uint8_t id, const Bytes& data, int sizeByte = -1) {
    const auto size = static_cast<std::uint8_t>(sizeByte < 0 ? data.size() : sizeByte);
    unsigned sum = id + size;
    for (const auto b : data) sum += b;
    const auto checksum = static_cast<std::uint8_t>(-sum & 0xFF);
    Bytes wire = {16, id};
    auto put = [&](std::uint8_t b) {
        wire.push_back(b);
        if (b == 16) wire.push_back(16);
    };
    put(size);
    for (const auto b : data) put(b);
    put(checksum);
    wire.push_back(16);
    wire.push_back(3);
    return wire;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

inline Bytes ack(std::uint8_t id) {
    return frame(6, {id, 0});
}
inline Bytes nak(std::uint8_t id) {
    return frame(21, {id, 0});
}

// Hex text "10 FE 00" to bytes.
inline Bytes hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < text.size() + 1; i += 3) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() : pump(clock), gps(port, timer, pump, clock, host) {
        gps.Settings("9600,n,8,1");
        gps.PortOpen();
    }

    void feed(const Bytes& input) {
        port.input += str(input);
        port.event = kCommEvReceive;
        gps.KelvComm_OnComm();
    }
    void feed(const std::string& input) { feed(bytes(input)); }

    // Everything written since the last call, as one byte string.
    Bytes takeWritten() {
        std::string all;
        for (const auto& w : port.written) all += w;
        port.written.clear();
        return bytes(all);
    }

    // Reports the capability entries (tag, number) as a protocol array packet.
    void report(const std::vector<std::pair<char, int>>& entries) {
        Bytes data;
        for (const auto& [tag, number] : entries) {
            data.push_back(static_cast<std::uint8_t>(tag));
            data.push_back(static_cast<std::uint8_t>(number));
            data.push_back(static_cast<std::uint8_t>(number >> 8));
        }
        feed(frame(253, data));
        takeWritten();
    }

    FakePort port;
    FakeTimer timer;
    FakeClock clock;
    FakePump pump;
    FakeHost host;
    cGarminGPS gps;
};

}  // namespace garmin::test
