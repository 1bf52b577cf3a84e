// kelvaron-sim: a simulated Garmin or Magellan receiver on a pseudo-terminal.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/sim/event_loop.h"
#include "tools/sim/frame_log.h"
#include "tools/sim/garmin_receiver.h"
#include "tools/sim/magellan_receiver.h"
#include "tools/sim/options.h"
#include "tools/sim/other_receivers.h"
#include "tools/sim/pty_port.h"
#include "tools/sim/sample_tracks.h"
#include "tools/sim/serial_line.h"
#include "tools/sim/track_dump.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitGaveUp = 3;

void complain(const std::string& message) {
    std::fprintf(stderr, "kelvaron-sim: %s\n", message.c_str());
}

ksim::TrackLoadResult load_track(const ksim::SimOptions& o) {
    if (!o.track_file.empty()) return ksim::load_track_file(o.track_file);
    if (o.points) return {ksim::synthetic_hike(*o.points), {}};
    return {ksim::builtin_sample_track(), {}};
}

ksim::GarminSettings garmin_settings(const ksim::SimOptions& o) {
    ksim::GarminSettings g;
    g.product_id = o.product_id;
    g.software_version = o.software_version;
    g.description = o.product_description();
    g.caps = o.caps;
    g.count_offset = o.count_offset;
    g.silent_after = o.silent_after;
    g.ack_timeout = std::chrono::milliseconds(o.ack_timeout_ms);
    g.max_resends = o.max_resends;
    g.once = o.once;
    g.faults = {o.corrupt, o.drop, o.drop_ack, o.fault_rate, o.seed};
    return g;
}

ksim::MagellanSettings magellan_settings(const ksim::SimOptions& o) {
    return {o.empty, o.split_end, o.malformed, o.noise_rate, o.seed, o.once};
}

std::unique_ptr<ksim::SimReceiver> make_receiver(const ksim::SimOptions& o,
                                                 const ksim::Track& track, ksim::SerialLine& line,
                                                 ksim::FrameLog& log) {
    if (o.protocol == ksim::Protocol::magellan)
        return std::make_unique<ksim::MagellanReceiver>(magellan_settings(o), track, line, log);
    if (o.never_answer) return std::make_unique<ksim::SilentReceiver>(log);
    if (o.nmea) return std::make_unique<ksim::NmeaTalker>(track, line, log);
    return std::make_unique<ksim::GarminReceiver>(garmin_settings(o), track, line, log);
}

int serve(const ksim::SimOptions& o, const ksim::Track& track) {
    ksim::FrameLog log;
    if (!o.log_file.empty() && !log.open(o.log_file)) {
        complain(o.log_file + ": cannot create the log file");
        return kExitFailure;
    }
    ksim::PtyPort pty;
    if (std::string e = pty.open(); !e.empty()) {
        complain(e);
        return kExitFailure;
    }
    if (!o.link.empty()) {
        if (std::string e = pty.make_link(o.link); !e.empty()) {
            complain(e);
            return kExitFailure;
        }
    }
    ksim::StopSignals signals;
    std::printf("kelvaron-sim: device %s%s%s\n", pty.device_path().c_str(),
                o.link.empty() ? "" : " linked at ", o.link.c_str());
    std::fflush(stdout);

    ksim::SerialLine line(pty.master_fd(), o.unpaced ? 0 : o.speed, log);
    const auto receiver = make_receiver(o, track, line, log);
    const ksim::LoopOutcome outcome = ksim::run_event_loop(pty, line, *receiver, signals);
    switch (outcome.kind) {
        case ksim::LoopOutcome::Kind::stopped:
        case ksim::LoopOutcome::Kind::done:
            return 0;
        case ksim::LoopOutcome::Kind::gave_up:
            complain(outcome.message);
            return kExitGaveUp;
        case ksim::LoopOutcome::Kind::failed:
            complain(outcome.message);
            return kExitFailure;
    }
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const ksim::ParseResult parsed =
        ksim::parse_options(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.action == ksim::ParseResult::Action::help) {
        std::fputs(ksim::usage_text().c_str(), stdout);
        return 0;
    }
    if (parsed.action == ksim::ParseResult::Action::error) {
        complain(parsed.error);
        std::fputs("\n", stderr);
        std::fputs(ksim::usage_text().c_str(), stderr);
        return kExitUsage;
    }
    for (const std::string& w : parsed.warnings) complain(w);
    const ksim::SimOptions& o = parsed.options;

    const ksim::TrackLoadResult loaded = load_track(o);
    if (!loaded.track) {
        complain(loaded.error);
        return kExitUsage;
    }
    if (!o.dump_track.empty()) {
        const std::string text = o.protocol == ksim::Protocol::garmin
                                     ? ksim::garmin_dump_text(*loaded.track)
                                     : ksim::magellan_dump_text(*loaded.track, o.empty);
        if (std::string e = ksim::write_text_file(o.dump_track, text); !e.empty()) {
            complain(e);
            return kExitFailure;
        }
    }
    return serve(o, *loaded.track);
}
