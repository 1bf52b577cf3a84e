// Garmin packet builders.
#include "tools/sim/garmin_records.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ksim {

namespace {

void put_float(Bytes& out, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    put_u32(out, bits);
}

struct CapEntry {
    char tag;
    std::uint16_t number;
};

// Receivers list their protocols in this order; the data formats follow the transfer
// protocol they belong to.
const std::vector<CapEntry>& caps_entries(Caps caps) {
    static const std::vector<CapEntry> l001_d300 = {{'P', 0},   {'L', 1},   {'A', 10},  {'A', 100},
                                                    {'D', 100}, {'A', 200}, {'D', 200}, {'D', 100},
                                                    {'A', 300}, {'D', 300}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> l001_d301 = {{'P', 0},   {'L', 1},   {'A', 10},  {'A', 100},
                                                    {'D', 100}, {'A', 200}, {'D', 200}, {'D', 100},
                                                    {'A', 301}, {'D', 301}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> l002_d310 = {
        {'P', 0},   {'L', 2},   {'A', 11},  {'A', 100}, {'D', 100}, {'A', 200}, {'D', 200},
        {'D', 100}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> none;
    switch (caps) {
        case Caps::l001_d300:
            return l001_d300;
        case Caps::l001_d301:
            return l001_d301;
        case Caps::l002_d310:
            return l002_d310;
        case Caps::none:
            break;
    }
    return none;
}

}  // namespace

Dialect dialect_for(Caps caps) {
    Dialect d;
    if (caps == Caps::l002_d310) {
        d.pid_command = 11;
        d.pid_records = 35;
    }
    d.headers = caps == Caps::l001_d301 || caps == Caps::l002_d310;
    d.d301_points = d.headers;
    return d;
}

std::int32_t degrees_to_semicircles(double degrees) {
    const double s = std::nearbyint(degrees * (2147483648.0 / 180.0));
    return static_cast<std::int32_t>(std::clamp(s, -2147483648.0, 2147483647.0));
}

double semicircles_to_degrees(std::int32_t semicircles) {
    return static_cast<double>(semicircles) * (180.0 / 2147483648.0);
}

OutPacket product_data_packet(std::int16_t product_id, std::int16_t software_version,
                              const std::string& description) {
    OutPacket p{kPidProductData, {}};
    put_u16(p.data, static_cast<std::uint16_t>(product_id));
    put_u16(p.data, static_cast<std::uint16_t>(software_version));
    const std::size_t room = 255 - p.data.size() - 1;
    p.data.insert(p.data.end(), description.begin(),
                  description.begin() + static_cast<long>(std::min(room, description.size())));
    p.data.push_back(0);
    return p;
}

OutPacket protocol_array_packet(Caps caps) {
    OutPacket p{kPidProtocolArray, {}};
    for (const CapEntry& e : caps_entries(caps)) {
        p.data.push_back(static_cast<std::uint8_t>(e.tag));
        put_u16(p.data, e.number);
    }
    return p;
}

OutPacket records_packet(const Dialect& d, std::uint16_t count) {
    OutPacket p{d.pid_records, {}};
    put_u16(p.data, count);
    return p;
}

OutPacket track_header_packet(const TrackHeader& h) {
    OutPacket p{kPidTrkHdr, {}};
    p.data.push_back(h.display ? 1 : 0);
    p.data.push_back(h.colour);
    const std::size_t room = 255 - p.data.size() - 1;
    p.data.insert(p.data.end(), h.ident.begin(),
                  h.ident.begin() + static_cast<long>(std::min(room, h.ident.size())));
    p.data.push_back(0);
    return p;
}

OutPacket track_point_packet(const Dialect& d, const TrackPoint& pt) {
    OutPacket p{kPidTrkData, {}};
    put_u32(p.data, static_cast<std::uint32_t>(degrees_to_semicircles(pt.lat)));
    put_u32(p.data, static_cast<std::uint32_t>(degrees_to_semicircles(pt.lon)));
    put_u32(p.data, pt.seconds);
    if (d.d301_points) {
        put_float(p.data, pt.alt);
        put_float(p.data, kUnknownFloat);  // depth: hand-held receivers have no sounder
    }
    p.data.push_back(pt.new_segment ? 1 : 0);
    return p;
}

OutPacket transfer_complete_packet(std::uint16_t command) {
    OutPacket p{kPidXferCmplt, {}};
    put_u16(p.data, command);
    return p;
}

std::vector<OutPacket> track_transfer(const Dialect& d, const Track& track, long count_offset) {
    std::vector<OutPacket> packets;
    packets.reserve(track.records.size() + 2);
    packets.push_back({});  // the records packet, once the count is known
    long count = 0;
    for (const TrackRecord& r : track.records) {
        if (r.is_header && !d.headers) continue;
        packets.push_back(r.is_header ? track_header_packet(r.header)
                                      : track_point_packet(d, r.point));
        ++count;
    }
    const long announced = std::clamp(count + count_offset, 0L, 65535L);
    packets.front() = records_packet(d, static_cast<std::uint16_t>(announced));
    packets.push_back(transfer_complete_packet(kCmdTransferTrk));
    return packets;
}

}  // namespace ksim
