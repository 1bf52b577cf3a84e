// The packets a Garmin receiver sends: product data, capability report and the track log
// transfer, in the layouts D300, D301 and D310.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/garmin_wire.h"
#include "tools/sim/track.h"

namespace ksim {

// Which capability report the receiver sends after its product data. L001D310 is the one a
// hand-held of this kind sends: L001, A010, and A301 with its D310 header and D301 point layouts.
enum class Caps { None, L001D300, L001D301, L001D310, L002D310 };

// Identifiers and layouts that follow from the capabilities.
struct Dialect {
    std::uint8_t pidCommand = 10;
    std::uint8_t pidRecords = 27;
    bool headers = false;  // A301: track headers are sent
    bool d301Points = false;
};

Dialect dialectFor(Caps caps);

inline constexpr std::uint8_t kPidProtocolArray = 253;
inline constexpr std::uint8_t kPidProductRqst = 254;
inline constexpr std::uint8_t kPidProductData = 255;
inline constexpr std::uint8_t kPidXferCmplt = 12;
inline constexpr std::uint8_t kPidTrkData = 34;
inline constexpr std::uint8_t kPidTrkHdr = 99;
inline constexpr std::uint16_t kCmdAbortTransfer = 0;
inline constexpr std::uint16_t kCmdTransferTrk = 6;
// Both coordinates of a point the receiver logged without a fix.
inline constexpr std::int32_t kNoPosition = 0x7FFFFFFF;

struct OutPacket {
    std::uint8_t id = 0;
    Bytes data;
};

std::int32_t degreesToSemicircles(double degrees);
// Exactly the value a host computes from the semicircles: s * (180 / 2^31).
double semicirclesToDegrees(std::int32_t semicircles);

OutPacket productDataPacket(std::int16_t productId, std::int16_t softwareVersion,
                            const std::string& description);
// Empty `data` for Caps::None: no report is sent then.
OutPacket protocolArrayPacket(Caps caps);

OutPacket recordsPacket(const Dialect& d, std::uint16_t count);
OutPacket trackHeaderPacket(const TrackHeader& h);
OutPacket trackPointPacket(const Dialect& d, const TrackPoint& p);
OutPacket transferCompletePacket(std::uint16_t command);

// The whole track transfer: records, headers (when the dialect sends them), points, complete.
// The announced count is `claimed` when given, otherwise headers + points + `countOffset`,
// kept within 0..65535.
std::vector<OutPacket> trackTransfer(const Dialect& d, const Track& track, long countOffset,
                                     std::optional<std::uint16_t> claimed = std::nullopt);

}  // namespace ksim
