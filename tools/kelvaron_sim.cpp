// kelvaron-sim: a simulated Garmin or Magellan receiver on a pseudo-terminal.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/sim/event_loop.h"
#include "tools/sim/frame_log.h"
#include "tools/sim/garmin_receiver.h"
#include "tools/sim/magellan_receiver.h"
#include "tools/sim/nmea_talker.h"
#include "tools/sim/options.h"
#include "tools/sim/pty_port.h"
#include "tools/sim/sample_tracks.h"
#include "tools/sim/serial_line.h"
#include "tools/sim/silent_receiver.h"
#include "tools/sim/track_dump.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitGaveUp = 3;

void complain(const std::string& message) {
    std::fprintf(stderr, "kelvaron-sim: %s\n", message.c_str());
}

ksim::TrackLoadResult loadTrack(const ksim::SimOptions& o) {
    if (!o.trackFile.empty()) return ksim::loadTrackFile(o.trackFile);
    if (o.points) return {ksim::syntheticHike(*o.points), {}};
    return {ksim::builtinSampleTrack(), {}};
}

// The track as the receiver holds it: with --empty nothing at all, not even a header.
ksim::TrackLoadResult receiverTrack(const ksim::SimOptions& o) {
    ksim::TrackLoadResult loaded = loadTrack(o);
    if (!loaded.track) return loaded;
    if (const std::size_t n = loaded.track->clearPositions(o.noPosition); n != 0)
        return {std::nullopt, "--no-position " + std::to_string(n) + ": the track has only " +
                                  std::to_string(loaded.track->pointCount()) + " points"};
    if (o.empty) loaded.track = ksim::Track{};
    return loaded;
}

ksim::GarminSettings garminSettings(const ksim::SimOptions& o) {
    ksim::GarminSettings g;
    g.caps = o.caps;
    g.countOffset = o.countOffset;
    g.claimRecords = o.claimRecords;
    g.silentAfter = o.silentAfter;
    g.ackTimeout = std::chrono::milliseconds(o.ackTimeoutMs);
    g.maxResends = o.maxResends;
    g.once = o.once;
    g.faults = {o.corrupt, o.drop, o.dropAck, o.faultRate, o.seed};
    g.switchSpeed = o.switchSpeed;
    g.startSpeed = o.speed;
    g.switchFault = o.switchFault;
    g.switchAnswer = o.switchAnswer;
    return g;
}

ksim::MagellanSettings magellanSettings(const ksim::SimOptions& o) {
    return {o.splitEnd, o.noEnd, o.malformed, o.noiseRate, o.seed, o.once};
}

std::unique_ptr<ksim::SimReceiver> makeReceiver(const ksim::SimOptions& o, const ksim::Track& track,
                                                ksim::SerialLine& line, ksim::FrameLog& log) {
    if (o.protocol == ksim::Protocol::Magellan)
        return std::make_unique<ksim::MagellanReceiver>(magellanSettings(o), track, line, log);
    if (o.neverAnswer) return std::make_unique<ksim::SilentReceiver>(log);
    if (o.nmea) return std::make_unique<ksim::NmeaTalker>(track, line, log);
    return std::make_unique<ksim::GarminReceiver>(garminSettings(o), track, line, log);
}

int serve(const ksim::SimOptions& o, const ksim::Track& track) {
    ksim::FrameLog log;
    if (!o.logFile.empty() && !log.open(o.logFile)) {
        complain(o.logFile + ": cannot create the log file");
        return kExitFailure;
    }
    ksim::PtyPort pty;
    if (std::string e = pty.open(); !e.empty()) {
        complain(e);
        return kExitFailure;
    }
    if (!o.link.empty()) {
        if (std::string e = pty.makeLink(o.link); !e.empty()) {
            complain(e);
            return kExitFailure;
        }
    }
    ksim::StopSignals signals;
    std::printf("kelvaron-sim: device %s%s%s\n", pty.devicePath().c_str(),
                o.link.empty() ? "" : " linked at ", o.link.c_str());
    std::fflush(stdout);

    ksim::SerialLine line(pty.masterFd(), o.unpaced ? 0 : o.speed, log);
    // A receiver that changes its speed hears only what the host sends at the speed in force.
    if (o.switchSpeed && o.protocol == ksim::Protocol::Garmin) {
        pty.presetSpeed(o.speed);
        line.watchHostSpeed([&pty] { return pty.hostSpeed(); });
    }
    const auto receiver = makeReceiver(o, track, line, log);
    const ksim::LoopOutcome outcome = ksim::runEventLoop(pty, line, *receiver, signals);
    switch (outcome.kind) {
        case ksim::LoopOutcome::Kind::Stopped:
            if (const std::string words = receiver->onStop(); !words.empty()) complain(words);
            return 0;
        case ksim::LoopOutcome::Kind::Done:
            return 0;
        case ksim::LoopOutcome::Kind::GaveUp:
            complain(outcome.message);
            return kExitGaveUp;
        case ksim::LoopOutcome::Kind::Failed:
            complain(outcome.message);
            return kExitFailure;
    }
    return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const ksim::ParseResult parsed =
        ksim::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.action == ksim::ParseResult::Action::Help) {
        std::fputs(ksim::usageText().c_str(), stdout);
        return 0;
    }
    if (parsed.action == ksim::ParseResult::Action::Error) {
        complain(parsed.error);
        std::fputs("\n", stderr);
        std::fputs(ksim::usageText().c_str(), stderr);
        return kExitUsage;
    }
    for (const std::string& w : parsed.warnings) complain(w);
    const ksim::SimOptions& o = parsed.options;

    const ksim::TrackLoadResult loaded = receiverTrack(o);
    if (!loaded.track) {
        complain(loaded.error);
        return kExitUsage;
    }
    if (!o.dumpTrack.empty()) {
        const std::string text = o.protocol == ksim::Protocol::Garmin
                                     ? ksim::garminDumpText(*loaded.track)
                                     : ksim::magellanDumpText(*loaded.track);
        if (std::string e = ksim::writeTextFile(o.dumpTrack, text); !e.empty()) {
            complain(e);
            return kExitFailure;
        }
    }
    return serve(o, *loaded.track);
}
