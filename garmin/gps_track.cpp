// cGarminGPS: the track record codec. Track points in the D300 to D304 layouts, track
// headers in the D310 to D312 layouts, and the upload encoding of D300, D301 and D310.
#include <algorithm>
#include <bit>
#include <utility>

#include "garmin/gps.h"
#include "garmin/packet_io.h"
#include "garmin/units.h"

namespace garmin {

namespace {

constexpr std::size_t kD300Size = 13;
constexpr std::size_t kD301Size = 21;
// The size byte counts the header's flag, colour, identifier and its zero byte.
constexpr std::size_t kMaxIdentLength = 255 - 3;

// Upper case in the single-byte Western code page: ASCII and the Latin-1 letters.
char upperCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
        return static_cast<char>(byte - 0x20);
    }
    return c;
}

std::uint32_t floatBits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

}  // namespace

bool cGarminGPS::usesD301Layout() const {
    return names_.Track_Data_Format == "D301" || names_.Track_Data_Format == "D310";
}

TrackPoint cGarminGPS::Parse_Track_Point(const Packet& packet) {
    const PacketReader reader(packet);
    Track.lat = Semicircles_To_Degrees(reader.i32(0));
    Track.lon = Semicircles_To_Degrees(reader.i32(4));
    Track.Time = Format_Garmin_Time(reader.u32(8));
    readPointFields(reader);
    if (trackLayout_.segmentsFromPauses()) Track.New_Segment = startsSegmentAfterPause();
    TrackPoint event;
    event.point = Track;
    event.hasAltitude = trackLayout_.hasAltitude();
    event.hasDepth = trackLayout_.hasDepth();
    return event;
}

// Flags the packet does not hold keep their value; position-only formats carry nothing
// more. The layouts differ only after the time.
void cGarminGPS::readPointFields(const PacketReader& reader) {
    switch (trackLayout_.point) {
        case PointLayout::D300:
            if (reader.has(12)) Track.New_Segment = reader.u8(12) != 0;
            break;
        case PointLayout::D301:
        case PointLayout::D302: {
            Track.Alt = reader.f32(12);
            Track.Dpth = reader.f32(16);
            // D302 puts a temperature before the flag.
            const std::size_t flag = trackLayout_.point == PointLayout::D301 ? 20 : 24;
            if (reader.has(flag)) Track.New_Segment = reader.u8(flag) != 0;
            break;
        }
        case PointLayout::D303:
        case PointLayout::D304:
            Track.Alt = reader.f32(12);
            break;
        case PointLayout::PositionOnly:
            break;
    }
}

bool cGarminGPS::startsSegmentAfterPause() {
    if (!Track.hasPosition()) {
        if (++pointsWithoutFix_ >= 2) segmentPending_ = true;
        return false;
    }
    pointsWithoutFix_ = 0;
    return std::exchange(segmentPending_, false);
}

TrackHeader cGarminGPS::Receive_Track_Header(const Packet& packet) {
    segmentPending_ = true;
    pointsWithoutFix_ = 0;
    const PacketReader reader(packet);
    TrackHeader header;
    if (trackLayout_.header == HeaderLayout::Indexed) {
        header.indexed = true;
        header.index = reader.u16(0);
        return header;
    }
    if (trackLayout_.header != HeaderLayout::Named) return header;
    if (reader.has(0)) Track.Dspl = reader.u8(0) != 0;
    if (reader.has(1)) Track.Color = reader.u8(1);
    // The identifier's zero byte on the wire is counted by the size but not kept.
    const std::size_t count = reader.claimedCount();
    Track.Ident = count > 3 ? reader.text(2, count - 3) : std::string();
    header.named = true;
    header.display = Track.Dspl;
    header.color = Track.Color;
    header.name = Track.Ident;
    return header;
}

void cGarminGPS::Send_Track() {
    const bool d300 = names_.Track_Data_Format == "D300";
    if (!d300 && !usesD301Layout()) return;  // no layout known for this receiver
    const std::uint8_t segment = Track.New_Segment ? 255 : 0;
    Packet packet((d300 ? kD300Size : kD301Size) + kMinPacket, 0);
    packet[1] = ids_.PID_Trk_Data;
    packet[2] = static_cast<std::uint8_t>(d300 ? kD300Size : kD301Size);
    putLittleEndian(packet, kDataStart + 0,
                    static_cast<std::uint32_t>(Degrees_To_Semicircles(Track.lat)), 4);
    putLittleEndian(packet, kDataStart + 4,
                    static_cast<std::uint32_t>(Degrees_To_Semicircles(Track.lon)), 4);
    putLittleEndian(packet, kDataStart + 8, Parse_Garmin_Time(Track.Time), 4);
    if (d300) {
        packet[kDataStart + 12] = segment;
    } else {
        putLittleEndian(packet, kDataStart + 12, floatBits(Track.Alt), 4);
        putLittleEndian(packet, kDataStart + 16, floatBits(Track.Dpth), 4);
        packet[kDataStart + 20] = segment;
    }
    Send(packet);
}

void cGarminGPS::Send_Track_Header() {
    if (!usesD301Layout()) return;
    // A longer name would not fit the size byte.
    const std::size_t n = std::min(Track.Ident.size(), kMaxIdentLength);
    Packet packet(n + 3 + kMinPacket, 0);
    packet[1] = ids_.PID_Trk_Hdr;
    packet[2] = static_cast<std::uint8_t>(n + 3);
    packet[kDataStart + 0] = Track.Dspl ? 255 : 0;
    packet[kDataStart + 1] = Track.Color;
    for (std::size_t i = 0; i < n; ++i) {
        packet[kDataStart + 2 + i] = static_cast<std::uint8_t>(upperCase(Track.Ident[i]));
    }
    Send(packet);
}

}  // namespace garmin
