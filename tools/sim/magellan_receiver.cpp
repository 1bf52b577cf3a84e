// Magellan receiver.
#include "tools/sim/magellan_receiver.h"

#include "tools/sim/nmea_text.h"
#include "tools/sim/split_mix.h"

namespace ksim {

namespace {

// A garbage line: printable, but with no "$" and no comma, so no host can take it for a point.
std::string noiseLine(SplitMix& rng) {
    std::string s;
    const std::size_t n = 5 + rng.next() % 36;
    while (s.size() < n) {
        const char c = static_cast<char>(' ' + rng.next() % 95);
        if (c != '$' && c != ',') s += c;
    }
    return s + "\r\n";
}

// Lines a host must skip: another sentence, missing fields, a letter in a number, plain
// garbage, empty fields, a sentence cut short.
std::string malformedLine(int kind, const TrackPoint& p) {
    const PackedAngle lat = packLatitude(p.lat);
    const PackedAngle lon = packLongitude(p.lon);
    switch (kind % 6) {
        case 0:
            return nmeaSentence("GPGGA,102030.00," + lat.text + "," + lat.hemisphere + "," +
                                lon.text + "," + lon.hemisphere + ",1,07,1.2,545.4,M,19.6,M,,");
        case 1:
            return nmeaSentence("PMGNTRK," + lat.text + "," + lat.hemisphere);
        case 2: {
            std::string bad = lat.text;
            bad[1] = 'O';
            return nmeaSentence("PMGNTRK," + bad + "," + lat.hemisphere + "," + lon.text + "," +
                                lon.hemisphere + ",00123,M,102030.00,A,,170426");
        }
        case 3:
            return "#%&!? line noise ?!&%#\r\n";
        case 4:
            return nmeaSentence("PMGNTRK,,N,,E,00000,M,,A,,");
        default:
            return "$PMGNTRK," + lat.text.substr(0, 4) + "\r\n";
    }
}

}  // namespace

std::vector<std::string> magellanReply(const Track& track, const MagellanSettings& s) {
    std::vector<std::string> lines;
    SplitMix rng(s.seed);
    int index = 0;
    for (const TrackRecord& r : track.records) {
        if (r.isHeader || !r.point.hasPosition) continue;
        if (s.noiseRate > 0 && rng.uniform() < s.noiseRate) lines.push_back(noiseLine(rng));
        if (s.malformed && index % 20 == 0) lines.push_back(malformedLine(index / 20, r.point));
        lines.push_back(magellanTrackSentence(r.point));
        ++index;
    }
    if (s.noEnd) {
        // The reply just stops: the receiver never says it is done.
    } else if (s.splitEnd) {
        lines.push_back(kMagellanEndSentence.substr(0, 10));
        lines.push_back(kMagellanEndSentence.substr(10));
    } else {
        lines.push_back(kMagellanEndSentence);
    }
    return lines;
}

MagellanReceiver::MagellanReceiver(MagellanSettings settings, const Track& track, SerialLine& line,
                                   FrameLog& log)
    : s_(settings), track_(track), line_(line), log_(log) {}

void MagellanReceiver::logHostLines(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        logLine_ += static_cast<char>(b);
        if (b == '\n' || logLine_.size() >= 256) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(logLine_.data());
            log_.host({data, logLine_.size()});
            logLine_.clear();
        }
    }
}

void MagellanReceiver::onInput(std::span<const std::uint8_t> bytes, TimePoint) {
    logHostLines(bytes);
    commands_.append(bytes.begin(), bytes.end());
    const auto at = commands_.find(kMagellanTrackCommand);
    if (at == std::string::npos) {
        // Keep only what could still be the start of a command.
        if (commands_.size() > kMagellanTrackCommand.size())
            commands_.erase(0, commands_.size() - kMagellanTrackCommand.size());
        return;
    }
    commands_.erase(0, at + kMagellanTrackCommand.size());
    if (sending_) {
        log_.event("track command repeated while the reply is being sent; ignored");
        return;
    }
    startReply();
}

void MagellanReceiver::startReply() {
    const std::vector<std::string> lines = magellanReply(track_, s_);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (s_.splitEnd && i + 1 == lines.size()) line_.pause(kSplitEndPause);
        const std::string& text = lines[i];
        const std::string note = text.substr(0, text.find('\r'));
        line_.send(Bytes(text.begin(), text.end()), note);
    }
    sending_ = true;
}

void MagellanReceiver::onTime(TimePoint) {
    if (!sending_ || !line_.outputIdle()) return;
    sending_ = false;
    log_.event("track reply sent");
    if (s_.once) status_ = Status::Done;
}

}  // namespace ksim
