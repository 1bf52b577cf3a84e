// Fuzz target: the Garmin USB link fed arbitrary transfers on either endpoint, with
// timer ticks, unplugging and requests between them.
//
// Input: a flags byte, a schedule length byte, that many schedule bytes, then the stream.
// Flags: bit 0 starts with the session started (Session Started comes first); bit 1 lets
// the window's packet handler send a request of its own; bit 2 closes the link from inside
// the handler once.
// The schedule is used round and round until the stream is spent: a value below 0xE0
// delivers the next (value & 0x7F) + 1 bytes, on the bulk endpoint when bit 7 is set;
// 0xE0-0xEF a zero-length transfer (bulk from 0xE8); 0xF0-0xF7 a timer tick; 0xF8-0xFB a
// request; 0xFC-0xFF the unit unplugged and plugged in again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "garmin/usb_packet.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/garmin_rig.h"

namespace {

using kelvaron_fuzz::Input;
using seams::UsbEndpoint;

constexpr std::size_t kMaxSteps = 8192;
constexpr std::size_t kMostPending =
    garmin::UsbPacketAssembler::kHeaderSize + garmin::UsbPacketAssembler::kMaxDataSize;

struct UsbEngine : testkit::GarminRig {
    UsbEngine() {
        gps.portName("usb:1");
        gps.useUsb(&usb);
        gps.PortOpen();
    }

    void Deliver(UsbEndpoint endpoint, std::string_view bytes, int kind = seams::kCommEvReceive) {
        usb.arrive(
            endpoint, std::string(bytes), [this] { gps.KelvComm_OnComm(); }, kind);
        Check();
    }

    void Check() {
        FUZZ_CHECK(gps.pendingInput() < kMostPending);
        FUZZ_CHECK(usb.secondReads == 0);
        for (const auto& report : host.reports) FUZZ_CHECK(!report.message.empty());
        host.reports.clear();
    }
};

void Run_Schedule(UsbEngine& engine, std::string_view schedule, Input& stream) {
    for (std::size_t step = 0; !stream.Empty(); ++step) {
        if (step >= kMaxSteps || schedule.empty()) {
            engine.Deliver(UsbEndpoint::Bulk, stream.Rest());
            break;
        }
        const auto v = static_cast<std::uint8_t>(schedule[step % schedule.size()]);
        if (v < 0xE0) {
            const auto endpoint = (v & 0x80) != 0 ? UsbEndpoint::Bulk : UsbEndpoint::Interrupt;
            engine.Deliver(endpoint, stream.Take((v & 0x7Fu) + 1u));
        } else if (v < 0xF0) {
            engine.Deliver(v < 0xE8 ? UsbEndpoint::Interrupt : UsbEndpoint::Bulk, {});
        } else if (v < 0xF8) {
            engine.gps.KelvTmrTimeout_Timer();
            engine.Check();
        } else if (v < 0xFC) {
            engine.gps.Request_Tracks();
            engine.Check();
        } else {
            engine.Deliver(UsbEndpoint::Interrupt, {}, seams::kCommErrorThreshold + 100);
            FUZZ_CHECK(engine.gps.pendingInput() == 0);
            engine.usb.connected = true;
            engine.gps.PortOpen();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::string_view schedule = in.Take(in.Byte() % 16);

    UsbEngine engine;
    if ((flags & 1) != 0)
        engine.Deliver(UsbEndpoint::Interrupt,
                       garmin::usbPacketBytes(garmin::kUsbProtocolLayer, garmin::kUsbSessionStarted,
                                              "\x01\x02\x03\x04"));
    engine.gps.Request_Product_Data();
    bool closed = false;
    engine.host.onHanded = [&engine, &closed, flags](const garmin::PacketEvent&) {
        if ((flags & 2) != 0) engine.gps.Request_Product_Data();
        if ((flags & 4) != 0 && !closed) {
            closed = true;
            engine.gps.PortClose();
        }
    };
    Run_Schedule(engine, schedule, in);
    for (int tick = 0; tick < 4; ++tick) engine.gps.KelvTmrTimeout_Timer();
    engine.Check();
    return 0;
}
