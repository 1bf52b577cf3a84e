// The packets a Garmin receiver sends: product data, capability report and the track log
// transfer, in the point layouts D300, D301, D302 and D304 and the header layouts D310 to D312.
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
// L001D312 is a colour unit's (A301, D312 headers, D302 points), L001D311 a fitness unit's
// (A302, D311 headers, D304 points). L001Files is a newer unit's that hands its tracks over as
// files: transfer protocols, but no track protocol among them.
enum class Caps { None, L001D300, L001D301, L001D310, L002D310, L001D312, L001D311, L001Files };

enum class PointLayout { D300, D301, D302, D304 };
// Named: display flag, colour and identifier (D310, D312). Numbered: a track number (D311).
enum class HeaderLayout { None, Named, Numbered };

// Identifiers and layouts that follow from the capabilities.
struct Dialect {
    std::uint8_t pidCommand = 10;
    std::uint8_t pidRecords = 27;
    HeaderLayout headers = HeaderLayout::None;
    PointLayout points = PointLayout::D300;
};

Dialect dialectFor(Caps caps);

// What the simulated unit says it is, on either link.
inline constexpr std::int16_t kProductId = 73;
inline constexpr std::int16_t kSoftwareVersion = 300;
inline constexpr const char* kDescription = "Kelvaron Sim Software Version 3.00";

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
OutPacket trackNumberPacket(std::uint16_t number);
OutPacket trackPointPacket(const Dialect& d, const TrackPoint& p);
OutPacket transferCompletePacket(std::uint16_t command);

// The whole track transfer: records, headers (when the dialect sends them), points, complete.
// D304 points have no new-track flag: a segment after the first of a track is sent as the
// unit's pause, two points without a position, a second apart, before its first point.
// The announced count is `claimed` when given, otherwise headers + points + `countOffset`,
// kept within 0..65535.
std::vector<OutPacket> trackTransfer(const Dialect& d, const Track& track, long countOffset,
                                     std::optional<std::uint16_t> claimed = std::nullopt);

}  // namespace ksim
