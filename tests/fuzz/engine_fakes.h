// The Garmin engine on the shared seam fakes, for the fuzz targets. Every frame it writes
// must be well formed, every packet it hands the window must have arrived as a whole
// frame, and error codes go where they belong.
#pragma once

#include <string_view>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/garmin_frames.h"
#include "tests/support/garmin_rig.h"

namespace kelvaron_fuzz {

struct Engine : testkit::GarminRig {
    Engine() {
        port.onWrite = [this](const std::string& bytes) {
            FUZZ_CHECK(testkit::unframe(bytes, lastWritten));
            ++writes;
            port.written.clear();
        };
        // The incoming trace is the undoubled packet, so it tells what reached the window.
        gps.HexDebug = [this](std::string& text) {
            if (static_cast<std::uint8_t>(text[3]) == 0xAB) lastIncoming = text.substr(10);
        };
        gps.Link_Error = [](std::int16_t& code, std::string& message, garmin::Packet&) {
            FUZZ_CHECK((code == 2 || code == 3) && !message.empty());
        };
        host.onReceive = [this](std::uint8_t command, std::uint8_t data1) {
            const std::string packet = testkit::fromHex(lastIncoming);
            FUZZ_CHECK(packet.size() >= 6 && static_cast<std::uint8_t>(packet[1]) == command &&
                       static_cast<std::uint8_t>(packet[3]) == data1);
            if (afterReceive) afterReceive(command);
        };
    }

    // Hands `bytes` to the engine as one data-received event.
    void Feed(std::string_view bytes) {
        port.input.append(bytes);
        port.event = seams::kCommEvReceive;
        gps.KelvComm_OnComm();
        FUZZ_CHECK(gps.pendingInput() <= garmin::RxBuffer::kCapacity);
        for (const auto& e : host.errors)
            FUZZ_CHECK((e.code == 0 || e.code == 1) && !e.message.empty());
        host.errors.clear();
    }

    garmin::Packet lastWritten;
    std::size_t writes = 0;
    std::string lastIncoming;
    std::function<void(std::uint8_t command)> afterReceive;
};

}  // namespace kelvaron_fuzz
