// Fuzz target: the Garmin receive engine fed an arbitrary byte stream in arbitrary
// chunks, with communication errors, timer ticks and empty reads between the chunks.
//
// Input: a flags byte, a schedule length byte, that many schedule bytes, then the stream.
// Flags: bit 0 sets IgnoreCheckSum; bit 1 sends a request first, so a refusal has
// something to resend; bit 2 lets the window's packet handler run the engine again,
// nested, as a window that waits inside its handler does; bit 3 lets the handler send a
// request of its own; bits 4 to 6 (n) deliver the stream 2^n times over (at most 32), so
// the buffer's compaction and its bound are reached.
// The schedule is used round and round until the stream is spent: a value below 0xF0
// delivers the next value + 1 bytes; 0xF0-0xF7 is a timer tick; 0xF8-0xFB delivers the
// next 1 to 4 bytes with a communication error (the engine throws them away); 0xFC-0xFD
// is an event of another kind; 0xFE-0xFF an empty read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/engine_fakes.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using kelvaron_fuzz::Engine;
using kelvaron_fuzz::Input;

constexpr int kMaxNesting = 4;
// Schedules made only of events that consume nothing must still end.
constexpr std::size_t kMaxSteps = 8192;

// Every accepted frame ends in a 16 followed by 3 somewhere in the stream.
std::size_t Frame_Ends(std::string_view stream) {
    std::size_t count = 0;
    for (std::size_t i = 1; i < stream.size(); ++i) count += stream[i - 1] == 16 && stream[i] == 3;
    return count;
}

void Deliver_With_Error(Engine& engine, std::string_view bytes, int kind) {
    engine.port.input.append(bytes);
    engine.port.event = kind;
    engine.gps.KelvComm_OnComm();
    FUZZ_CHECK(engine.gps.pendingInput() == 0);
}

void Run_Schedule(Engine& engine, std::string_view schedule, Input& stream) {
    for (std::size_t step = 0; !stream.Empty(); ++step) {
        if (step >= kMaxSteps || schedule.empty()) {
            engine.Feed(stream.Rest());
            break;
        }
        const auto v = static_cast<std::uint8_t>(schedule[step % schedule.size()]);
        if (v < 0xF0) {
            engine.Feed(stream.Take(v + 1u));
        } else if (v < 0xF8) {
            engine.gps.KelvTmrTimeout_Timer();
        } else if (v < 0xFC) {
            Deliver_With_Error(engine, stream.Take(v - 0xF7u), 1001 + (v - 0xF8));
        } else if (v < 0xFE) {
            engine.port.event = v == 0xFC ? 1 : 3;  // an event of another kind
            engine.gps.KelvComm_OnComm();
        } else {
            engine.Feed({});
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::string_view schedule = in.Take(in.Byte() % 16);
    const std::string_view once = in.Rest();
    std::string stream;
    for (int i = 0, n = 1 << std::min((flags >> 4) & 7, 5); i < n; ++i) stream.append(once);

    Engine engine;
    engine.gps.IgnoreCheckSum((flags & 1) != 0);
    if ((flags & 2) != 0) engine.gps.Request_Tracks();
    int depth = 0;
    engine.afterReceive = [&engine, &depth, flags] {
        if ((flags & 8) != 0) engine.gps.Request_Product_Data();
        if ((flags & 4) != 0 && depth < kMaxNesting) {
            ++depth;
            engine.Feed({});
            --depth;
        }
    };

    Input bytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size());
    Run_Schedule(engine, schedule, bytes);
    // A frame or sentence that arrived whole is handled, whatever came after it.
    engine.Feed({});
    for (int tick = 0; tick < 4; ++tick) engine.gps.KelvTmrTimeout_Timer();
    FUZZ_CHECK(engine.host.packets.size() <= Frame_Ends(stream));
    return 0;
}
