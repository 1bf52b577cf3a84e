// Fakes for the Garmin engine's seams, shared by the engine's fuzz targets. They record
// just enough to check the engine's promises cheaply: every frame it writes is well
// formed, every packet it hands the window arrived as a whole frame, and error codes go
// where they belong.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "garmin/gps.h"
#include "tests/fuzz/fuzz_support.h"

namespace kelvaron_fuzz {

using garmin::Packet;

constexpr std::uint8_t kDle = 16;
constexpr std::uint8_t kEtx = 3;

// A wire frame the engine wrote, with the doubling undone and the frame checked: 16 first,
// 16 3 last, every 16 inside doubled, the size byte counting the data, and the checksum
// making the sum of identifier to checksum zero.
inline Packet Checked_Frame(std::string_view wire) {
    FUZZ_CHECK(wire.size() >= 6);
    FUZZ_CHECK(static_cast<std::uint8_t>(wire[0]) == kDle);
    FUZZ_CHECK(static_cast<std::uint8_t>(wire[wire.size() - 2]) == kDle);
    FUZZ_CHECK(static_cast<std::uint8_t>(wire.back()) == kEtx);
    Packet packet = {kDle};
    for (std::size_t i = 1; i + 2 < wire.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(wire[i]);
        if (byte == kDle) {
            FUZZ_CHECK(static_cast<std::uint8_t>(wire[i + 1]) == kDle);
            ++i;
        }
        packet.push_back(byte);
    }
    packet.push_back(kDle);
    packet.push_back(kEtx);
    FUZZ_CHECK(packet.size() >= 6 && packet[2] == packet.size() - 6);
    unsigned sum = 0;
    for (std::size_t i = 1; i + 2 < packet.size(); ++i) sum += packet[i];
    FUZZ_CHECK((sum & 0xFF) == 0);
    return packet;
}

// A well-formed frame for `id` and `data`, its size byte `sizeByte` (the data count when
// negative) and its checksum made to match.
inline std::string Make_Frame(std::uint8_t id, std::string_view data, int sizeByte = -1) {
    const auto size = static_cast<std::uint8_t>(sizeByte < 0 ? data.size() : sizeByte);
    unsigned sum = id + size;
    for (const char c : data) sum += static_cast<std::uint8_t>(c);
    std::string wire = {static_cast<char>(kDle), static_cast<char>(id)};
    auto put = [&wire](std::uint8_t byte) {
        wire.push_back(static_cast<char>(byte));
        if (byte == kDle) wire.push_back(static_cast<char>(kDle));
    };
    put(size);
    for (const char c : data) put(static_cast<std::uint8_t>(c));
    put(static_cast<std::uint8_t>(-sum & 0xFF));
    wire.push_back(static_cast<char>(kDle));
    wire.push_back(static_cast<char>(kEtx));
    return wire;
}

class FakePort : public seams::SerialPort {
  public:
    bool isOpen() const override { return open_; }
    bool open(int, const std::string&) override { return open_ = true; }
    void close() override { open_ = false; }
    void write(const std::string& bytes) override {
        lastWritten = Checked_Frame(bytes);
        ++writes;
    }
    std::string readAll() override { return std::exchange(input, {}); }
    void discardInput() override { input.clear(); }
    int commEvent() const override { return event; }

    std::string input;
    int event = seams::kCommEvReceive;
    std::size_t writes = 0;
    Packet lastWritten;  // undoubled

  private:
    bool open_ = false;
};

class FakeTimer : public seams::ReplyTimer {
  public:
    void arm() override { armed = true; }
    void disarm() override { armed = false; }
    bool isArmed() const override { return armed; }
    bool armed = false;
};

class FakeClock : public seams::Clock {
  public:
    double secondsElapsed() const override { return now; }
    double now = 0;
};

// Time passes by the whole allowance; nothing else happens.
class FakePump : public seams::EventPump {
  public:
    explicit FakePump(FakeClock& clock) : clock_(clock) {}
    void processEvents(int maxWaitMs) override { clock_.now += maxWaitMs / 1000.0; }

  private:
    FakeClock& clock_;
};

struct Received {
    std::uint8_t command;
    std::uint8_t data1;
};

class FakeHost : public garmin::Host {
  public:
    void Receive(std::uint8_t& command, std::uint8_t& data1) override {
        received.push_back({command, data1});
        if (onReceive) onReceive(command, data1);
    }
    void cError(std::int16_t& code, std::string& message, Packet&) override {
        FUZZ_CHECK(code == 0 || code == 1);
        FUZZ_CHECK(!message.empty());
        ++errors;
    }
    void setSentencesSeen(bool) override { ++sentences; }

    std::vector<Received> received;
    int errors = 0;
    int sentences = 0;
    std::function<void(std::uint8_t, std::uint8_t)> onReceive;
};

inline std::uint8_t Hex_Value(char c) {
    return static_cast<std::uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10);
}

// The engine with its fakes, the port open. Incoming frames are followed through the
// trace, so every packet handed to the window is checked against the frame it came from.
struct Engine {
    Engine() : pump(clock), gps(port, timer, pump, clock, host) {
        gps.Settings("9600,n,8,1");
        gps.PortOpen();
        gps.HexDebug = [this](std::string& text) { Trace(text); };
        gps.Link_Error = [this](std::int16_t& code, std::string& message, Packet&) {
            FUZZ_CHECK(code == 2 || code == 3);
            FUZZ_CHECK(!message.empty());
            ++linkErrors;
        };
        host.onReceive = [this](std::uint8_t command, std::uint8_t data1) {
            // Only a whole frame reaches the window: 16, id, size, checksum, 16, 3 at least.
            FUZZ_CHECK(lastIncoming.size() >= 6);
            FUZZ_CHECK(lastIncoming[1] == command && lastIncoming[3] == data1);
            if (afterReceive) afterReceive(command);
        };
    }

    // Hands `bytes` to the engine as one data-received event.
    void Feed(std::string_view bytes) {
        port.input.append(bytes);
        port.event = seams::kCommEvReceive;
        gps.KelvComm_OnComm();
        FUZZ_CHECK(gps.pendingInput() <= garmin::RxBuffer::kCapacity);
    }

    // Incoming traces are "PC", a space, 0xAB, "- GPS " and then two hex digits and a
    // space per byte of the packet with its doubling removed.
    void Trace(const std::string& text) {
        constexpr std::size_t kPrefix = 10;
        FUZZ_CHECK(text.size() >= kPrefix && (text.size() - kPrefix) % 3 == 0);
        if (static_cast<std::uint8_t>(text[3]) != 0xAB) return;  // an outgoing frame
        lastIncoming.clear();
        for (std::size_t i = kPrefix; i < text.size(); i += 3) {
            lastIncoming.push_back(
                static_cast<std::uint8_t>(Hex_Value(text[i]) << 4 | Hex_Value(text[i + 1])));
        }
        FUZZ_CHECK(!lastIncoming.empty() && lastIncoming[0] == kDle);
    }

    FakePort port;
    FakeTimer timer;
    FakeClock clock;
    FakePump pump;
    FakeHost host;
    garmin::cGarminGPS gps;
    Packet lastIncoming;
    int linkErrors = 0;
    std::function<void(std::uint8_t command)> afterReceive;
};

}  // namespace kelvaron_fuzz
