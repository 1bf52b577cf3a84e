// The simulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/sim/garmin_records.h"

namespace ksim {

enum class Protocol { garmin, magellan };

struct SimOptions {
    Protocol protocol = Protocol::garmin;
    std::string link;
    bool once = false;
    std::string track_file;
    std::optional<std::size_t> points;
    std::string dump_track;
    int speed = 9600;
    bool unpaced = false;
    std::string log_file;

    // Magellan
    bool empty = false;
    bool split_end = false;
    bool malformed = false;
    double noise_rate = 0;

    // Garmin
    std::int16_t product_id = 73;
    std::int16_t software_version = 300;
    std::optional<std::string> description;
    Caps caps = Caps::l001_d301;
    long count_offset = 0;
    std::optional<long> corrupt;
    std::optional<long> drop;
    std::optional<long> drop_ack;
    std::optional<long> silent_after;
    bool never_answer = false;
    bool nmea = false;
    double fault_rate = 0;
    std::uint64_t seed = 1;
    int ack_timeout_ms = 1000;
    int max_resends = 10;

    // The product description when none was given: "Kelvaron Sim Software Version 3.00".
    std::string product_description() const;
};

struct ParseResult {
    enum class Action { run, help, error };
    Action action = Action::error;
    SimOptions options;
    std::string error;                  // for Action::error
    std::vector<std::string> warnings;  // options that do not apply to the chosen protocol
};

ParseResult parse_options(const std::vector<std::string>& args);
std::string usage_text();

}  // namespace ksim
