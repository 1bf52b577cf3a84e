// The engine's host: the download side that the engine hands every accepted packet, decoded,
// and its reports of a link that failed. The port and timer seams are in seams/seams.h.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "garmin/product_data.h"
#include "garmin/track.h"
#include "seams/seams.h"

namespace garmin {

using seams::kCommErrorThreshold;
using seams::kCommEvReceive;
using seams::ReplyTimer;
using seams::SerialPort;

using Packet = std::vector<std::uint8_t>;

// The receiver's capability report has arrived; the engine's protocol names and packet
// identifiers now follow it.
struct CapabilityReport {};

// The number of records the receiver is about to send: unsigned, a track can hold 65535.
struct RecordsAnnounced {
    std::uint16_t count = 0;
};

// A track header. The D301, D310 and D312 layouts carry its display flag, colour and name;
// D311 only a track number (`indexed`); in the others it is a record to count and nothing
// more.
struct TrackHeader {
    bool named = false;
    bool display = false;
    std::uint8_t color = 0;
    std::string name;
    bool indexed = false;
    std::uint16_t index = 0;
};

// A track point as decoded, with the fields of the most recent header. The D301 to D304
// layouts carry altitude, D301 and D302 depth as well; a field a layout lacks holds nothing
// of this point.
struct TrackPoint {
    cTrack point;
    bool hasAltitude = false;
    bool hasDepth = false;
};

// The receiver's end of a transfer.
struct TransferComplete {};

// The receiver's answer to a speed request (packet 0x31): the rate it accepts, in bit/s,
// as its clock divides it down (38361 stands for 38400). Not acknowledged yet: the host
// decides whether to (cGarminGPS::Accept_Baud_Rate).
struct BaudAccepted {
    std::uint32_t rate = 0;
};

// Any other packet: acknowledgements and refusals, waypoints, routes, the almanac,
// positions.
struct OtherPacket {
    std::uint8_t id = 0;
    // For an acknowledgement or a refusal: the identifier it answers (its first data byte).
    std::uint8_t answers = 0;
};

using PacketEvent = std::variant<cProduct_Data, CapabilityReport, RecordsAnnounced, TrackHeader,
                                 TrackPoint, TransferComplete, BaudAccepted, OtherPacket>;

enum class LinkError {
    // The receiver stayed silent through the reply timer's ticks, or stopped sending
    // its sentences.
    NoAnswer,
    // It refused our packet again after five resends.
    ResendsExhausted,
    // Six of its frames in a row failed their checksum.
    CorruptPacketsExhausted,
};

class Host {
  public:
    virtual ~Host() = default;
    // Every accepted packet once, decoded by the identifiers in force; a packet the
    // receiver sent again because our acknowledgement was lost is not handed again.
    virtual void onPacket(const PacketEvent& packet) = 0;
    // The message names the port.
    virtual void onLinkError(LinkError error, const std::string& message) = 0;
    // More than 50 sentences failed their checksum: the receiver may not put them out.
    virtual void onChecksumErrors(const std::string& message) = 0;
    // The receiver talks NMEA or TEXT sentences instead of Garmin packets.
    virtual void onSentence() = 0;
};

}  // namespace garmin
