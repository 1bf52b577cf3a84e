// The packets a Garmin receiver sends: product data, capability report and the track log
// transfer, in the layouts D300, D301 and D310.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/garmin_wire.h"
#include "tools/sim/track.h"

namespace ksim {

// Which capability report the receiver sends after its product data.
enum class Caps { none, l001_d300, l001_d301, l002_d310 };

// Identifiers and layouts that follow from the capabilities.
struct Dialect {
    std::uint8_t pid_command = 10;
    std::uint8_t pid_records = 27;
    bool headers = false;  // A301: track headers are sent
    bool d301_points = false;
};

Dialect dialect_for(Caps caps);

inline constexpr std::uint8_t kPidProtocolArray = 253;
inline constexpr std::uint8_t kPidProductRqst = 254;
inline constexpr std::uint8_t kPidProductData = 255;
inline constexpr std::uint8_t kPidXferCmplt = 12;
inline constexpr std::uint8_t kPidTrkData = 34;
inline constexpr std::uint8_t kPidTrkHdr = 99;
inline constexpr std::uint16_t kCmdAbortTransfer = 0;
inline constexpr std::uint16_t kCmdTransferTrk = 6;

struct OutPacket {
    std::uint8_t id = 0;
    Bytes data;
};

std::int32_t degrees_to_semicircles(double degrees);
// Exactly the value a host computes from the semicircles: s * (180 / 2^31).
double semicircles_to_degrees(std::int32_t semicircles);

OutPacket product_data_packet(std::int16_t product_id, std::int16_t software_version,
                              const std::string& description);
// Empty `data` for Caps::none: no report is sent then.
OutPacket protocol_array_packet(Caps caps);

OutPacket records_packet(const Dialect& d, std::uint16_t count);
OutPacket track_header_packet(const TrackHeader& h);
OutPacket track_point_packet(const Dialect& d, const TrackPoint& p);
OutPacket transfer_complete_packet(std::uint16_t command);

// The whole track transfer: records, headers (when the dialect sends them), points, complete.
// The announced count is headers + points + `count_offset`, kept within 0..65535.
std::vector<OutPacket> track_transfer(const Dialect& d, const Track& track, long count_offset);

}  // namespace ksim
