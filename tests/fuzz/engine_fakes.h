// The Garmin engine on the shared seam fakes, for the fuzz targets. Every frame it writes
// must be well formed, every packet it hands the host must have arrived as a whole
// frame, and every report must say something.
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
        // The incoming trace is the undoubled packet, so it tells what reached the host.
        gps.HexDebug = [this](std::string& text) {
            if (static_cast<std::uint8_t>(text[3]) == 0xAB) lastIncoming = text.substr(10);
        };
        host.onHanded = [this](const garmin::PacketEvent& event) {
            const std::string packet = testkit::fromHex(lastIncoming);
            FUZZ_CHECK(packet.size() >= 6);
            if (const auto* other = std::get_if<garmin::OtherPacket>(&event))
                FUZZ_CHECK(static_cast<std::uint8_t>(packet[1]) == other->id);
            if (afterReceive) afterReceive();
        };
    }

    // Hands `bytes` to the engine as one data-received event.
    void Feed(std::string_view bytes) {
        port.input.append(bytes);
        port.event = seams::kCommEvReceive;
        gps.KelvComm_OnComm();
        FUZZ_CHECK(gps.pendingInput() <= garmin::RxBuffer::kCapacity);
        for (const auto& report : host.reports) FUZZ_CHECK(!report.message.empty());
        host.reports.clear();
    }

    garmin::Packet lastWritten;
    std::size_t writes = 0;
    std::string lastIncoming;
    std::function<void()> afterReceive;
};

}  // namespace kelvaron_fuzz
