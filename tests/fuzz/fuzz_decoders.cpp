// Fuzz target: the capability report, product data, records count and track decoders fed
// arbitrary packets. Each packet travels as a well-framed frame with a right checksum
// through KelvComm_OnComm, so the decoders run exactly as they do behind a real receiver.
//
// Input: a byte choosing the capability report sent first (none, or one of kReports), then
// packets. Each packet is a selector byte, [a size byte when the selector's top bit is set],
// a length byte and that many data bytes. Selector bits 0-2: 0 capability report, 1 product
// data, 2 records count, 3 and 7 track header, 4 and 6 track point, 5 the identifier in the
// next byte. Without the top bit the size byte tells the truth.
#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "garmin/packet_io.h"
#include "tests/fuzz/engine_fakes.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using kelvaron_fuzz::Engine;
using kelvaron_fuzz::Input;
using garmin::Packet;

struct Entry {
    char tag;
    int number;
};

std::string Report_Data(std::initializer_list<Entry> entries) {
    std::string data;
    for (const auto& e : entries) {
        data += e.tag;
        data += static_cast<char>(e.number & 0xFF);
        data += static_cast<char>((e.number >> 8) & 0xFF);
    }
    return data;
}

// Reports of real receivers' kinds: D300 and D301 tracks on L001, D301 and D310 on L002.
const std::string kReports[] = {
    Report_Data({{'P', 0}, {'L', 1}, {'A', 10}, {'A', 300}, {'D', 300}}),
    Report_Data({{'P', 0}, {'L', 1}, {'A', 10}, {'A', 301}, {'D', 301}}),
    Report_Data({{'P', 0}, {'L', 2}, {'A', 11}, {'A', 301}, {'D', 301}}),
    Report_Data({{'P', 0},
                 {'L', 1},
                 {'A', 10},
                 {'A', 100},
                 {'D', 103},
                 {'A', 201},
                 {'D', 202},
                 {'D', 108},
                 {'D', 210},
                 {'A', 301},
                 {'D', 310},
                 {'D', 301},
                 {'A', 400},
                 {'D', 403}}),
    Report_Data({{'P', 0}, {'L', 2}, {'A', 10}, {'A', 302}, {'D', 310}, {'D', 301}}),
};
constexpr std::size_t kReportCount = sizeof kReports / sizeof kReports[0];

std::uint32_t Le(std::string_view data, std::size_t at, std::size_t width) {
    if (data.size() < at + width) return 0;
    std::uint32_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = v << 8 | static_cast<std::uint8_t>(data[at + i]);
    return v;
}

bool Uses_D301(const garmin::cGarminGPS& gps) {
    return gps.Track_Data_Format() == "D301" || gps.Track_Data_Format() == "D310";
}

// The uploaded form of a decoded point carries the same position, time and segment
// flag, to the bit: the upload is the exact inverse of the download.
void Check_Track_Point(Engine& engine, std::string_view data) {
    const garmin::cTrack& t = engine.gps.Track;
    FUZZ_CHECK(t.lat >= -180.0 && t.lat < 180.0 && t.lon >= -180.0 && t.lon < 180.0);
    FUZZ_CHECK(t.Time.size() == 19 || t.Time == "N/A");
    const bool d300 = engine.gps.Track_Data_Format() == "D300";
    if (!d300 && !Uses_D301(engine.gps)) return;
    const std::size_t before = engine.writes;
    engine.gps.Send_Track();
    FUZZ_CHECK(engine.writes == before + 1);
    const Packet& up = engine.lastWritten;
    const std::string_view sent(reinterpret_cast<const char*>(up.data()) + 3, up.size() - 6);
    for (std::size_t at = 0; at < 12; at += 4) FUZZ_CHECK(Le(sent, at, 4) == Le(data, at, 4));
    const std::size_t segmentAt = d300 ? 12 : 20;
    if (data.size() > segmentAt) FUZZ_CHECK((sent[segmentAt] != 0) == (data[segmentAt] != 0));
    if (!d300) {
        FUZZ_CHECK(Le(sent, 12, 4) == std::bit_cast<std::uint32_t>(t.Alt));
        FUZZ_CHECK(Le(sent, 16, 4) == std::bit_cast<std::uint32_t>(t.Dpth));
    }
}

void Check_Track_Header(Engine& engine) {
    if (!Uses_D301(engine.gps)) return;
    FUZZ_CHECK(engine.gps.Track.Ident.size() <= 255 - 3);
    engine.gps.Send_Track_Header();  // the fake port checks the frame
}

void Check_Product_Data(const garmin::cProduct_Data& p) {
    FUZZ_CHECK(p.Product_Description_1.find('\0') == std::string::npos);
    FUZZ_CHECK(p.Product_Description_2.find('\0') == std::string::npos);
    FUZZ_CHECK(p.Product_Description_1.size() + p.Product_Description_2.size() <= 255);
}

void Check_Registry(const garmin::cGarminGPS& gps) {
    FUZZ_CHECK(gps.Link_Protocol().size() >= 4);
    // Only the numbers that L002 moves may change; the track packets never do.
    FUZZ_CHECK(gps.PID_Trk_Data() == 34 && gps.PID_Trk_Hdr() == 99);
    FUZZ_CHECK(gps.PID_Protocol_Array() == 253 && gps.PID_Product_Data() == 255);
    if (gps.Link_Protocol() == "L002") FUZZ_CHECK(gps.PID_Records() == 35);
}

std::uint8_t Identifier(const garmin::cGarminGPS& gps, std::uint8_t selector, Input& in) {
    switch (selector & 7) {
        case 0:
            return gps.PID_Protocol_Array();
        case 1:
            return gps.PID_Product_Data();
        case 2:
            return gps.PID_Records();
        case 3:
        case 7:
            return gps.PID_Trk_Hdr();
        case 4:
        case 6:
            return gps.PID_Trk_Data();
        default:
            return in.Byte();
    }
}

// `lastAcked` is the last frame acknowledged as good: the receiver sends it again when our
// acknowledgement went astray, and the engine must not hand it to the window twice.
void Feed_Packet(Engine& engine, Input& in, std::string& lastAcked) {
    garmin::cGarminGPS& gps = engine.gps;
    const std::uint8_t selector = in.Byte();
    const std::uint8_t id = Identifier(gps, selector, in);
    const int sizeByte = (selector & 0x80) != 0 ? in.Byte() : -1;
    const std::string_view data = in.Take(in.Byte());

    const bool isPoint = id == gps.PID_Trk_Data();
    const bool isHeader = id == gps.PID_Trk_Hdr();
    const bool isProduct = id == gps.PID_Product_Data();
    const bool isRecords = id == gps.PID_Records();
    const bool isReport = id == gps.PID_Protocol_Array();
    const bool isAnswer = id == gps.PID_Ack_Byte() || id == gps.PID_Nak_Byte();

    const std::size_t before = engine.host.received.size();
    const std::string frame = testkit::frame(id, data, sizeByte);
    engine.Feed(frame);
    FUZZ_CHECK(gps.pendingInput() == 0);
    const std::size_t handed = engine.host.received.size() - before;
    // The identifier is the one byte the wire does not double, so 16 and 3 cannot be
    // framed: 16, 3 ends a frame and 16, 16 reads as a doubled 16. No receiver uses them.
    if (id == garmin::kDle || id == garmin::kEtx) return;
    // Acknowledgements and refusals from the receiver are accepted without a checksum test.
    if (isAnswer) {
        FUZZ_CHECK(handed == 1);
        lastAcked.clear();
        return;
    }
    // A size byte of 0 in front of data is corrected before the checksum test, so such a
    // frame is refused; every other well-framed packet is accepted, and reaches the window
    // unless it repeats the packet acknowledged last.
    if (sizeByte == 0 && !data.empty()) {
        FUZZ_CHECK(handed == 0);
        return;
    }
    FUZZ_CHECK(handed == 1 || (handed == 0 && frame == lastAcked));
    lastAcked = frame;
    if (handed == 0) return;

    if (isPoint) Check_Track_Point(engine, data);
    if (isHeader) Check_Track_Header(engine);
    if (isProduct) Check_Product_Data(gps.Product_Data);
    if (isRecords) FUZZ_CHECK(gps.Incoming_Records_Count() == Le(data, 0, 2));
    if (isReport) Check_Registry(gps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    Engine engine;
    std::string lastAcked;
    const std::size_t report = in.Byte() % (kReportCount + 1);
    if (report < kReportCount) {
        lastAcked = testkit::frame(engine.gps.PID_Protocol_Array(), kReports[report]);
        engine.Feed(lastAcked);
        Check_Registry(engine.gps);
    }
    while (!in.Empty()) Feed_Packet(engine, in, lastAcked);
    return 0;
}
