#include "bench/e2e/sim_log.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace kelvaron_bench {

namespace {

struct LogLine {
    double time = 0;
    bool host = false;  // host> (else sim>)
    std::vector<unsigned> bytes;
    std::string note;
};

// "  12.345678 host> 10 0A 02 06 00 EE 10 03  # command"; events ("---") give nothing.
std::optional<LogLine> parseLine(const std::string& text) {
    LogLine l;
    char* end = nullptr;
    l.time = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return std::nullopt;
    std::string rest(end);
    const auto from = rest.find_first_not_of(' ');
    if (from == std::string::npos) return std::nullopt;
    rest.erase(0, from);
    if (rest.rfind("host>", 0) == 0) {
        l.host = true;
    } else if (rest.rfind("sim>", 0) != 0) {
        return std::nullopt;
    }
    rest.erase(0, rest.find('>') + 1);
    const auto hash = rest.find('#');
    if (hash != std::string::npos) {
        l.note = rest.substr(hash + 1);
        rest.erase(hash);
    }
    std::istringstream hex(rest);
    std::string token;
    while (hex >> token)
        l.bytes.push_back(static_cast<unsigned>(std::strtoul(token.c_str(), nullptr, 16)));
    return l;
}

// The host's command frame asking for the track log (command 6 under L001 or L002).
bool isTrackRequest(const LogLine& l) {
    return l.host && l.bytes.size() >= 5 && (l.bytes[1] == 10 || l.bytes[1] == 11) &&
           l.bytes[2] == 2 && l.bytes[3] == 6 && l.bytes[4] == 0;
}

// The host's acknowledgement of transfer complete (packet 12).
bool isFinalAck(const LogLine& l) {
    return l.host && l.bytes.size() >= 4 && l.bytes[1] == 6 && l.bytes[3] == 12;
}

}  // namespace

std::optional<TransferSpan> readTransferSpan(const std::string& path, int speed, std::string& why) {
    std::ifstream in(path);
    if (!in) {
        why = "cannot read " + path;
        return std::nullopt;
    }
    TransferSpan span;
    std::optional<double> start;
    const auto lineTime = [speed](const LogLine& l) {
        return static_cast<double>(l.bytes.size()) * 10.0 / speed;
    };
    std::optional<LogLine> previous;
    std::string text;
    while (std::getline(in, text)) {
        const auto l = parseLine(text);
        if (!l) continue;
        if (!start) {
            if (!isTrackRequest(*l)) continue;
            // Logged when its last byte had arrived.
            start = l->time - lineTime(*l);
        }
        if (previous && previous->host != l->host) {
            // Receiver frames are logged when their last byte has gone out, the host's when
            // their last byte has come in.
            const double gap = l->time - previous->time - lineTime(*l);
            (l->host ? span.hostSide : span.receiverSide).push_back(gap);
        }
        previous = l;
        span.bytes += static_cast<long>(l->bytes.size());
        ++(l->host ? span.hostFrames : span.receiverFrames);
        if (l->note.find("(resend") != std::string::npos) ++span.resends;
        if (isFinalAck(*l)) {
            span.seconds = l->time - *start;
            return span;
        }
    }
    why = start ? "the log ends before transfer complete was acknowledged"
                : "the log holds no track request";
    return std::nullopt;
}

}  // namespace kelvaron_bench
