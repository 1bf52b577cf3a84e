// Garmin packet builders.
#include "tools/sim/garmin_records.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ksim {

namespace {

void putFloat(Bytes& out, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(out, bits);
}

struct CapEntry {
    char tag;
    std::uint16_t number;
};

// Receivers list their protocols in this order; the data formats follow the transfer
// protocol they belong to. A301 names two: the track header's layout, then the point's.
const std::vector<CapEntry>& capsEntries(Caps caps) {
    static const std::vector<CapEntry> kL001D300 = {{'P', 0},   {'L', 1},   {'A', 10},  {'A', 100},
                                                    {'D', 100}, {'A', 200}, {'D', 200}, {'D', 100},
                                                    {'A', 300}, {'D', 300}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> kL001D301 = {{'P', 0},   {'L', 1},   {'A', 10},  {'A', 100},
                                                    {'D', 100}, {'A', 200}, {'D', 200}, {'D', 100},
                                                    {'A', 301}, {'D', 301}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> kL001D310 = {
        {'P', 0},   {'L', 1},   {'A', 10},  {'A', 100}, {'D', 100}, {'A', 200}, {'D', 200},
        {'D', 100}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> kL002D310 = {
        {'P', 0},   {'L', 2},   {'A', 11},  {'A', 100}, {'D', 100}, {'A', 200}, {'D', 200},
        {'D', 100}, {'A', 301}, {'D', 310}, {'D', 301}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> kL001D312 = {
        {'P', 0},   {'L', 1},   {'A', 10},  {'A', 100}, {'D', 100}, {'A', 200}, {'D', 200},
        {'D', 100}, {'A', 301}, {'D', 312}, {'D', 302}, {'A', 400}, {'D', 400}};
    static const std::vector<CapEntry> kL001D311 = {{'P', 0},   {'L', 1},   {'A', 10},  {'A', 100},
                                                    {'D', 100}, {'A', 200}, {'D', 200}, {'D', 100},
                                                    {'A', 302}, {'D', 311}, {'D', 304}};
    static const std::vector<CapEntry> kL001Files = {
        {'P', 0},   {'L', 1},   {'A', 10},  {'A', 100}, {'D', 110}, {'A', 201}, {'D', 202},
        {'D', 110}, {'D', 210}, {'A', 500}, {'D', 501}, {'A', 800}, {'D', 800}};
    static const std::vector<CapEntry> kNone;
    switch (caps) {
        case Caps::L001D300:
            return kL001D300;
        case Caps::L001D301:
            return kL001D301;
        case Caps::L001D310:
            return kL001D310;
        case Caps::L002D310:
            return kL002D310;
        case Caps::L001D312:
            return kL001D312;
        case Caps::L001D311:
            return kL001D311;
        case Caps::L001Files:
            return kL001Files;
        case Caps::None:
            break;
    }
    return kNone;
}

}  // namespace

Dialect dialectFor(Caps caps) {
    Dialect d;
    if (caps == Caps::L002D310) {
        d.pidCommand = 11;
        d.pidRecords = 35;
    }
    switch (caps) {
        case Caps::L001D301:
        case Caps::L001D310:
        case Caps::L002D310:
            d.headers = HeaderLayout::Named;
            d.points = PointLayout::D301;
            break;
        case Caps::L001D312:
            d.headers = HeaderLayout::Named;
            d.points = PointLayout::D302;
            break;
        case Caps::L001D311:
            d.headers = HeaderLayout::Numbered;
            d.points = PointLayout::D304;
            break;
        case Caps::None:
        case Caps::L001D300:
        case Caps::L001Files:
            break;
    }
    return d;
}

std::int32_t degreesToSemicircles(double degrees) {
    const double s = std::nearbyint(degrees * (2147483648.0 / 180.0));
    return static_cast<std::int32_t>(std::clamp(s, -2147483648.0, 2147483647.0));
}

double semicirclesToDegrees(std::int32_t semicircles) {
    return static_cast<double>(semicircles) * (180.0 / 2147483648.0);
}

OutPacket productDataPacket(std::int16_t productId, std::int16_t softwareVersion,
                            const std::string& description) {
    OutPacket p{kPidProductData, {}};
    putU16(p.data, static_cast<std::uint16_t>(productId));
    putU16(p.data, static_cast<std::uint16_t>(softwareVersion));
    const std::size_t room = 255 - p.data.size() - 1;
    p.data.insert(p.data.end(), description.begin(),
                  description.begin() + static_cast<long>(std::min(room, description.size())));
    p.data.push_back(0);
    return p;
}

OutPacket protocolArrayPacket(Caps caps) {
    OutPacket p{kPidProtocolArray, {}};
    for (const CapEntry& e : capsEntries(caps)) {
        p.data.push_back(static_cast<std::uint8_t>(e.tag));
        putU16(p.data, e.number);
    }
    return p;
}

OutPacket recordsPacket(const Dialect& d, std::uint16_t count) {
    OutPacket p{d.pidRecords, {}};
    putU16(p.data, count);
    return p;
}

OutPacket trackHeaderPacket(const TrackHeader& h) {
    OutPacket p{kPidTrkHdr, {}};
    p.data.push_back(h.display ? 1 : 0);
    p.data.push_back(h.colour);
    const std::size_t room = 255 - p.data.size() - 1;
    p.data.insert(p.data.end(), h.ident.begin(),
                  h.ident.begin() + static_cast<long>(std::min(room, h.ident.size())));
    p.data.push_back(0);
    return p;
}

OutPacket trackNumberPacket(std::uint16_t number) {
    OutPacket p{kPidTrkHdr, {}};
    putU16(p.data, number);
    return p;
}

OutPacket trackPointPacket(const Dialect& d, const TrackPoint& pt) {
    OutPacket p{kPidTrkData, {}};
    const std::int32_t lat = pt.hasPosition ? degreesToSemicircles(pt.lat) : kNoPosition;
    const std::int32_t lon = pt.hasPosition ? degreesToSemicircles(pt.lon) : kNoPosition;
    putU32(p.data, static_cast<std::uint32_t>(lat));
    putU32(p.data, static_cast<std::uint32_t>(lon));
    putU32(p.data, pt.seconds);
    if (d.points == PointLayout::D300) {
        p.data.push_back(pt.newSegment ? 1 : 0);
        return p;
    }
    putFloat(p.data, pt.alt);
    if (d.points == PointLayout::D304) {
        putFloat(p.data, kUnknownFloat);         // distance: no wheel sensor
        p.data.insert(p.data.end(), {0, 0, 0});  // heart rate, cadence, sensor: none
        return p;
    }
    putFloat(p.data, kUnknownFloat);  // depth: hand-held receivers have no sounder
    if (d.points == PointLayout::D302) putFloat(p.data, kUnknownFloat);  // no thermometer
    p.data.push_back(pt.newSegment ? 1 : 0);
    return p;
}

OutPacket transferCompletePacket(std::uint16_t command) {
    OutPacket p{kPidXferCmplt, {}};
    putU16(p.data, command);
    return p;
}

std::vector<OutPacket> trackTransfer(const Dialect& d, const Track& track, long countOffset,
                                     std::optional<std::uint16_t> claimed) {
    std::vector<OutPacket> packets;
    packets.reserve(track.records.size() + 2);
    packets.push_back({});  // the records packet, once the count is known
    std::uint16_t tracks = 0;
    bool firstOfTrack = true;
    for (const TrackRecord& r : track.records) {
        if (r.isHeader) {
            firstOfTrack = true;
            if (d.headers == HeaderLayout::Named) packets.push_back(trackHeaderPacket(r.header));
            if (d.headers == HeaderLayout::Numbered) packets.push_back(trackNumberPacket(tracks++));
            continue;
        }
        if (d.points == PointLayout::D304 && r.point.newSegment && !firstOfTrack) {
            // The pause's points differ in time: a host takes a packet the same as the one
            // before for a resend.
            TrackPoint pause = r.point;
            pause.hasPosition = false;
            pause.seconds -= 2;
            packets.push_back(trackPointPacket(d, pause));
            ++pause.seconds;
            packets.push_back(trackPointPacket(d, pause));
        }
        firstOfTrack = false;
        packets.push_back(trackPointPacket(d, r.point));
    }
    const long count = static_cast<long>(packets.size()) - 1;
    const long announced = claimed ? *claimed : std::clamp(count + countOffset, 0L, 65535L);
    packets.front() = recordsPacket(d, static_cast<std::uint16_t>(announced));
    packets.push_back(transferCompletePacket(kCmdTransferTrk));
    return packets;
}

}  // namespace ksim
