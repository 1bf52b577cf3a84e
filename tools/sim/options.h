// The simulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/garmin_records.h"

namespace ksim {

enum class Protocol { Garmin, Magellan };

// How a Garmin receiver misbehaves when the host asks it to change its speed.
enum class SwitchFault {
    None,
    Ignore,     // acknowledges the request and never answers it
    Nak,        // refuses the request
    Rate,       // answers the rate `switchAnswer`, whatever was asked
    DeafPings,  // changes its speed but never hears the pings, so goes back after two seconds
    Late,       // answers three seconds after the request
};

struct SimOptions {
    Protocol protocol = Protocol::Garmin;
    std::string link;
    bool once = false;
    std::string trackFile;
    std::optional<std::size_t> points;
    std::string dumpTrack;
    int speed = 9600;
    bool unpaced = false;
    std::string logFile;
    bool empty = false;
    std::vector<std::size_t> noPosition;  // point numbers, 1 = the first point

    // Magellan
    bool splitEnd = false;
    bool noEnd = false;
    bool malformed = false;
    double noiseRate = 0;

    // Garmin
    Caps caps = Caps::L001D310;
    long countOffset = 0;
    std::optional<std::uint16_t> claimRecords;
    std::optional<long> corrupt;
    std::optional<long> drop;
    std::optional<long> dropAck;
    std::optional<long> silentAfter;
    bool neverAnswer = false;
    bool nmea = false;
    double faultRate = 0;
    std::uint64_t seed = 1;
    int ackTimeoutMs = 1000;
    int maxResends = 10;
    // The fastest speed the receiver accepts when the host asks for another (nothing: it does
    // not know the request, and acknowledges and ignores it).
    std::optional<int> switchSpeed;
    SwitchFault switchFault = SwitchFault::None;
    std::uint32_t switchAnswer = 0;  // for SwitchFault::Rate
};

struct ParseResult {
    enum class Action { Run, Help, Error };
    Action action = Action::Error;
    SimOptions options;
    std::string error;                  // for Action::Error
    std::vector<std::string> warnings;  // options that do not apply to the chosen protocol
};

ParseResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace ksim
