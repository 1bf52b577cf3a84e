// Command-line parsing: every value is checked, and a mistake names the option and what it takes.
#include "tools/sim/options.h"

#include <charconv>
#include <functional>

namespace ksim {

namespace {

template <typename T>
bool toNumber(const std::string& text, T& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// Returns an error text, empty on success.
using Setter = std::function<std::string(SimOptions&, const std::string&)>;

struct OptionDef {
    const char* name;
    bool takesValue;
    char family;  // 'g' Garmin only, 'm' Magellan only, 0 both
    Setter set;
};

Setter integer(long lo, long hi, std::function<void(SimOptions&, long)> store) {
    return [=](SimOptions& o, const std::string& v) -> std::string {
        long n = 0;
        if (!toNumber(v, n) || n < lo || n > hi)
            return "takes a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
        store(o, n);
        return {};
    };
}

Setter fraction(std::function<void(SimOptions&, double)> store) {
    return [=](SimOptions& o, const std::string& v) -> std::string {
        double r = 0;
        if (!toNumber(v, r) || !(r >= 0 && r <= 1)) return "takes a number from 0 to 1";
        store(o, r);
        return {};
    };
}

Setter flag(bool SimOptions::*member) {
    return [=](SimOptions& o, const std::string&) -> std::string {
        o.*member = true;
        return {};
    };
}

Setter text(std::string SimOptions::*member) {
    return [=](SimOptions& o, const std::string& v) -> std::string {
        if (v.empty()) return "takes a non-empty value";
        o.*member = v;
        return {};
    };
}

// A comma-separated list of point numbers, each from 1 to the most points a track may hold.
std::string pointList(SimOptions& o, const std::string& v) {
    const std::string error = "takes point numbers from 1 to 1000000, separated by commas";
    o.noPosition.clear();
    std::size_t start = 0;
    for (std::size_t comma = 0; comma != std::string::npos; start = comma + 1) {
        comma = v.find(',', start);
        std::size_t n = 0;
        if (!toNumber(v.substr(start, comma - start), n) || n < 1 || n > 1000000) return error;
        o.noPosition.push_back(n);
    }
    return {};
}

constexpr long kPacketLimit = 1000000000;

const std::vector<OptionDef>& optionTable() {
    static const std::vector<OptionDef> table = {
        {"--protocol", true, 0,
         [](SimOptions& o, const std::string& v) -> std::string {
             if (v == "garmin")
                 o.protocol = Protocol::Garmin;
             else if (v == "magellan")
                 o.protocol = Protocol::Magellan;
             else
                 return "takes garmin or magellan";
             return {};
         }},
        {"--link", true, 0, text(&SimOptions::link)},
        {"--once", false, 0, flag(&SimOptions::once)},
        {"--track", true, 0, text(&SimOptions::trackFile)},
        {"--points", true, 0,
         integer(1, 1000000,
                 [](SimOptions& o, long n) { o.points = static_cast<std::size_t>(n); })},
        {"--dump-track", true, 0, text(&SimOptions::dumpTrack)},
        {"--speed", true, 0,
         integer(10, 4000000, [](SimOptions& o, long n) { o.speed = static_cast<int>(n); })},
        {"--unpaced", false, 0, flag(&SimOptions::unpaced)},
        {"--log", true, 0, text(&SimOptions::logFile)},
        {"--seed", true, 0,
         [](SimOptions& o, const std::string& v) -> std::string {
             if (!toNumber(v, o.seed)) return "takes a whole number from 0 to 2^64-1";
             return {};
         }},
        {"--empty", false, 0, flag(&SimOptions::empty)},
        {"--no-position", true, 0, pointList},
        {"--split-end", false, 'm', flag(&SimOptions::splitEnd)},
        {"--no-end", false, 'm', flag(&SimOptions::noEnd)},
        {"--malformed", false, 'm', flag(&SimOptions::malformed)},
        {"--noise-rate", true, 'm', fraction([](SimOptions& o, double r) { o.noiseRate = r; })},
        {"--caps", true, 'g',
         [](SimOptions& o, const std::string& v) -> std::string {
             if (v == "none")
                 o.caps = Caps::None;
             else if (v == "l001-d300")
                 o.caps = Caps::L001D300;
             else if (v == "l001-d301")
                 o.caps = Caps::L001D301;
             else if (v == "l001-d310")
                 o.caps = Caps::L001D310;
             else if (v == "l002-d310")
                 o.caps = Caps::L002D310;
             else if (v == "l001-d312")
                 o.caps = Caps::L001D312;
             else if (v == "l001-d311")
                 o.caps = Caps::L001D311;
             else if (v == "l001-files")
                 o.caps = Caps::L001Files;
             else
                 return "takes none, l001-d300, l001-d301, l001-d310, l002-d310, l001-d312, "
                        "l001-d311 or l001-files";
             return {};
         }},
        {"--count-offset", true, 'g',
         integer(-65535, 65535, [](SimOptions& o, long n) { o.countOffset = n; })},
        {"--claim-records", true, 'g',
         integer(0, 65535,
                 [](SimOptions& o, long n) { o.claimRecords = static_cast<std::uint16_t>(n); })},
        {"--corrupt", true, 'g',
         integer(0, kPacketLimit, [](SimOptions& o, long n) { o.corrupt = n; })},
        {"--drop", true, 'g', integer(0, kPacketLimit, [](SimOptions& o, long n) { o.drop = n; })},
        {"--drop-ack", true, 'g',
         integer(0, kPacketLimit, [](SimOptions& o, long n) { o.dropAck = n; })},
        {"--silent-after", true, 'g',
         integer(0, kPacketLimit, [](SimOptions& o, long n) { o.silentAfter = n; })},
        {"--never-answer", false, 'g', flag(&SimOptions::neverAnswer)},
        {"--nmea", false, 'g', flag(&SimOptions::nmea)},
        {"--fault-rate", true, 'g', fraction([](SimOptions& o, double r) { o.faultRate = r; })},
        {"--ack-timeout", true, 'g',
         integer(1, 600000, [](SimOptions& o, long n) { o.ackTimeoutMs = static_cast<int>(n); })},
        {"--switch-speed", true, 'g',
         [](SimOptions& o, const std::string& v) -> std::string {
             long n = 0;
             if (!toNumber(v, n) ||
                 (n != 9600 && n != 19200 && n != 38400 && n != 57600 && n != 115200))
                 return "takes 9600, 19200, 38400, 57600 or 115200";
             o.switchSpeed = static_cast<int>(n);
             return {};
         }},
        {"--switch-fault", true, 'g',
         [](SimOptions& o, const std::string& v) -> std::string {
             std::uint32_t rate = 0;
             if (v == "ignore")
                 o.switchFault = SwitchFault::Ignore;
             else if (v == "nak")
                 o.switchFault = SwitchFault::Nak;
             else if (v == "deaf")
                 o.switchFault = SwitchFault::DeafPings;
             else if (v == "late")
                 o.switchFault = SwitchFault::Late;
             else if (v.rfind("rate=", 0) == 0 && toNumber(v.substr(5), rate)) {
                 o.switchFault = SwitchFault::Rate;
                 o.switchAnswer = rate;
             } else
                 return "takes ignore, nak, rate=N, deaf or late";
             return {};
         }},
        {"--max-resends", true, 'g',
         integer(0, 1000, [](SimOptions& o, long n) { o.maxResends = static_cast<int>(n); })},
    };
    return table;
}

const OptionDef* findOption(const std::string& name) {
    for (const OptionDef& d : optionTable())
        if (name == d.name) return &d;
    return nullptr;
}

ParseResult fail(std::string message) {
    ParseResult r;
    r.action = ParseResult::Action::Error;
    r.error = std::move(message);
    return r;
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult r;
    r.action = ParseResult::Action::Run;
    std::vector<std::pair<const OptionDef*, std::string>> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name == "--help" || name == "-h") {
            r.action = ParseResult::Action::Help;
            return r;
        }
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionDef* def = findOption(name);
        if (def == nullptr) return fail("unknown option " + args[i]);
        if (def->takesValue && !value) {
            if (i + 1 >= args.size()) return fail(name + " needs a value");
            value = args[++i];
        }
        if (!def->takesValue && value) return fail(name + " takes no value");
        if (std::string e = def->set(r.options, value.value_or("")); !e.empty())
            return fail(name + " " + e);
        given.emplace_back(def, name);
    }
    const char chosen = r.options.protocol == Protocol::Garmin ? 'g' : 'm';
    for (const auto& [def, name] : given)
        if (def->family != 0 && def->family != chosen)
            r.warnings.push_back(name + " applies to the " +
                                 (def->family == 'g' ? "garmin" : "magellan") +
                                 " protocol only; ignored");
    if (!r.options.trackFile.empty() && r.options.points)
        return fail("--track and --points cannot be used together");
    if (r.options.splitEnd && r.options.noEnd)
        return fail("--split-end and --no-end cannot be used together");
    if (r.options.claimRecords && r.options.countOffset != 0)
        return fail("--claim-records and --count-offset cannot be used together");
    if (r.options.switchFault != SwitchFault::None && !r.options.switchSpeed)
        return fail("--switch-fault needs --switch-speed");
    if (r.options.switchSpeed && r.options.unpaced)
        return fail("--switch-speed and --unpaced cannot be used together");
    if (r.options.neverAnswer && r.options.nmea)
        return fail("--never-answer and --nmea cannot be used together");
    return r;
}

std::string usageText() {
    return R"(Usage: kelvaron-sim [options]
A simulated GPS receiver on a pseudo-terminal, for trying Kelvaron without a receiver.
It prints "kelvaron-sim: device /dev/pts/N" and serves until it is stopped (Ctrl-C).

  --protocol garmin|magellan   receiver family (default garmin)
  --link PATH                  also make PATH a symlink to the device (replaced if it exists)
  --once                       exit after one complete download has been served, once the host
                               has closed the device (at most 3 s later); a receiver with
                               --never-answer, --nmea or --silent-after never completes one
  --track FILE                 track to send; lines lat,lon[,seconds[,newseg[,alt]]] in decimal
                               degrees ("-,-": no position), seconds since 1989-12-31 00:00:00
                               UTC, newseg 0/1, altitude in metres (none: 1.0e25 on the wire);
                               "H,ident" starts a track header, the ident its name; # comments
  --points N                   a synthetic hike of N points in the Galilee instead
                               (neither: a day walk of a few hundred points near Jerusalem)
  --dump-track FILE            write the points the host should store (lat,lon,"time" CR LF)
  --speed BPS                  line speed: BPS/10 bytes per second each way (default 9600)
  --unpaced                    send as fast as the pseudo-terminal takes it
  --log FILE                   log every frame or line both ways, in hex, with a timestamp
  --seed S                     seed of the random faults and noise (default 1)
  --empty                      an empty track log. Garmin: the records packet announces 0
                               records and transfer complete follows; Magellan: the end
                               sentence only
  --no-position K[,K...]       the K-th points of the track (1 = the first point, headers not
                               counted) were logged without a fix: Garmin sends them with lat
                               and lon 0x7FFFFFFF semicircles, Magellan leaves them out, and
                               --dump-track leaves them out (a track file says so with -,-)

Magellan:
  --split-end                  send the end sentence in two pieces with a pause between
  --no-end                     never send the end sentence: the reply stops after the points
  --malformed                  mix malformed lines into the reply
  --noise-rate R               garbage lines between sentences at rate R (0 to 1)

Garmin:
  --caps none|l001-d300|l001-d301|l001-d310|l002-d310|l001-d312|l001-d311|l001-files
                               capability report after the product data (default l001-d310,
                               the one a hand-held sends: A301 with D310 headers, D301 points);
                               l001-d312: a colour unit, A301 with D312 headers, D302 points;
                               l001-d311: a fitness unit, A302 with D311 headers (numbered
                               from 0, no name) and D304 points, whose segments after a
                               track's first are sent as pauses: two points without a position,
                               two and one second before the segment's first;
                               l001-files: a newer unit without a track protocol (its tracks
                               are files on its drive)
  --count-offset K             announce K more (or fewer) records than are sent (kept
                               within 0 to 65535)
  --claim-records N            announce exactly N records (0 to 65535), whatever is sent
  --corrupt K                  corrupt the K-th packet of the track transfer once (0 = the
                               records packet, then headers and points, then transfer complete)
  --drop K                     do not send the K-th track packet the first time
  --drop-ack K                 ignore the host's acknowledgement of the K-th track packet once
  --silent-after K             send nothing at all after the K-th track packet
  --never-answer               a receiver that is off: never send anything
  --nmea                       send $GPRMC/$GPGGA once a second instead of Garmin packets
  --fault-rate R               random faults on about R of the track packets: corrupted bytes,
                               dropped packets, ignored acknowledgements, duplicates, noise
  --ack-timeout MS             wait this long for an acknowledgement before resending (default 1000)
  --max-resends N              give up after N resends of one packet (default 10)
  --switch-speed MAX           accept the host's request to change the line speed (packet 0x30),
                               up to MAX (9600, 19200, 38400, 57600 or 115200): answer the
                               accepted rate, change on its acknowledgement, keep the new speed
                               once both pings came within two seconds, else go back to --speed.
                               The host's frames count only when its end of the line is set to
                               the speed in force. Without it the request is acknowledged and
                               ignored, as by a receiver that does not know it
  --switch-fault ignore|nak|rate=N|deaf|late
                               with --switch-speed: acknowledge and ignore the request; refuse
                               it; answer the rate N whatever was asked; change but never hear
                               the pings; answer three seconds late

Exit status: 0 stopped or done, 1 system error, 2 bad usage, 3 gave up on an unacknowledged packet.
)";
}

}  // namespace ksim
