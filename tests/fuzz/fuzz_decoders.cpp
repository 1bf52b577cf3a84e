// Fuzz target: the capability report, product data, records count and track decoders fed
// arbitrary packets. Each packet travels as a well-formed frame with a right checksum
// through KelvComm_OnComm, so the decoders run exactly as they do behind a real receiver.
//
// Input: a byte choosing the capability report sent first (none, or one of kReports), then
// packets. Each packet is a selector byte, [a size byte when the selector's top bit is set],
// a length byte and that many data bytes. Selector bits 0-2: 0 capability report, 1 product
// data, 2 records count, 3 and 7 track header, 4 and 6 track point, 5 the identifier in the
// next byte. Without the top bit the size byte tells the truth.
#include <cmath>

#include "garmin/packet_io.h"
#include "tests/fuzz/engine_fakes.h"

namespace {

// L001 with D300; L001 with D301; L002 with D301; a full report with D310 then D301.
const char* const kReports[] = {
    "50 00 00 4C 01 00 41 0A 00 41 2C 01 44 2C 01", "50 00 00 4C 01 00 41 0A 00 41 2D 01 44 2D 01",
    "50 00 00 4C 02 00 41 0B 00 41 2D 01 44 2D 01",
    ("50 00 00 4C 01 00 41 0A 00 41 64 00 44 67 00 41 C9 00 44 CA 00 44 6C 00 44 D2 00 41 2D 01 "
     "44 36 01 44 2D 01 41 90 01 44 93 01")};

std::uint32_t le32(std::string_view data, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; data.size() >= at + 4 && i-- > 0;)
        v = v << 8 | static_cast<std::uint8_t>(data[at + i]);
    return v;
}

// A decoded point goes back out with the same position and time bytes.
void checkTrackPoint(kelvaron_fuzz::Engine& engine, std::string_view data) {
    const auto* point = std::get_if<garmin::TrackPoint>(&engine.host.packets.back());
    FUZZ_CHECK(point != nullptr);
    const garmin::cTrack& t = point->point;
    FUZZ_CHECK(t.lat >= -180.0 && t.lat < 180.0 && t.lon >= -180.0 && t.lon < 180.0);
    FUZZ_CHECK(t.Time.size() == 19 || t.Time == "N/A");
    const std::size_t before = engine.writes;
    engine.gps.Send_Track();
    if (engine.writes == before) return;  // no layout for this format
    const garmin::Packet& up = engine.lastWritten;
    const std::string_view sent(reinterpret_cast<const char*>(up.data()) + 3, up.size() - 6);
    for (std::size_t at = 0; at < 12; at += 4) FUZZ_CHECK(le32(sent, at) == le32(data, at));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvaron_fuzz::Input in(data, size);
    kelvaron_fuzz::Engine engine;
    garmin::cGarminGPS& gps = engine.gps;
    std::string lastAcked;
    if (const std::size_t report = in.Byte() % 5; report < 4) {
        lastAcked = testkit::frame(gps.PID_Protocol_Array(), testkit::fromHex(kReports[report]));
        engine.Feed(lastAcked);
    }
    while (!in.Empty()) {
        const std::uint8_t selector = in.Byte();
        const std::uint8_t ids[] = {gps.PID_Protocol_Array(), gps.PID_Product_Data(),
                                    gps.PID_Records(),        gps.PID_Trk_Hdr(),
                                    gps.PID_Trk_Data(),       0,
                                    gps.PID_Trk_Data(),       gps.PID_Trk_Hdr()};
        const std::uint8_t id = (selector & 7) == 5 ? in.Byte() : ids[selector & 7];
        const int sizeByte = (selector & 0x80) != 0 ? in.Byte() : -1;
        const std::string_view packet = in.Take(in.Byte());
        const std::size_t before = engine.host.packets.size();
        const std::string frame = testkit::frame(id, packet, sizeByte);
        engine.Feed(frame);
        FUZZ_CHECK(gps.pendingInput() == 0);
        const std::size_t handed = engine.host.packets.size() - before;
        if (id == garmin::kDle || id == garmin::kEtx) continue;
        if (id == gps.PID_Ack_Byte() || id == gps.PID_Nak_Byte()) {
            FUZZ_CHECK(handed == 1);
            lastAcked.clear();
            continue;
        }
        // A speed answer that nobody asked for is no packet at all; nor is a frame whose
        // size byte says 0 while it holds data.
        if (id == garmin::kPidBaudAccept || (sizeByte == 0 && !packet.empty())) {
            FUZZ_CHECK(handed == 0);
            continue;
        }
        // A resent packet reaches the window once.
        FUZZ_CHECK(handed == 1 || (handed == 0 && frame == lastAcked));
        lastAcked = frame;
        if (handed == 1 && id == gps.PID_Trk_Data()) checkTrackPoint(engine, packet);
        const garmin::PacketEvent* event = handed == 1 ? &engine.host.packets.back() : nullptr;
        if (const auto* product = std::get_if<garmin::cProduct_Data>(event))
            FUZZ_CHECK(product->Product_Description_1.find('\0') == std::string::npos);
        // The count is unsigned; a packet too short to hold one counts 0.
        if (const auto* records = std::get_if<garmin::RecordsAnnounced>(event)) {
            const std::uint32_t count = le32(std::string(packet) + "    ", 0) & 0xFFFF;
            FUZZ_CHECK(records->count == (packet.size() >= 2 ? count : 0));
        }
    }
    return 0;
}
