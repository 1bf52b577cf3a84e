#include "bench/e2e/sim_log.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace kelvaron_bench {

namespace {

struct Log_Line {
    double time = 0;
    bool host = false;  // host> (else sim>)
    std::vector<unsigned> bytes;
    std::string note;
};

// "  12.345678 host> 10 0A 02 06 00 EE 10 03  # command"; events ("---") give nothing.
std::optional<Log_Line> Parse_Line(const std::string& text) {
    Log_Line l;
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
bool Is_Track_Request(const Log_Line& l) {
    return l.host && l.bytes.size() >= 5 && (l.bytes[1] == 10 || l.bytes[1] == 11) &&
           l.bytes[2] == 2 && l.bytes[3] == 6 && l.bytes[4] == 0;
}

// The host's acknowledgement of transfer complete (packet 12).
bool Is_Final_Ack(const Log_Line& l) {
    return l.host && l.bytes.size() >= 4 && l.bytes[1] == 6 && l.bytes[3] == 12;
}

}  // namespace

std::optional<Transfer_Span> Read_Transfer_Span(const std::string& path, int speed,
                                                std::string& why) {
    std::ifstream in(path);
    if (!in) {
        why = "cannot read " + path;
        return std::nullopt;
    }
    Transfer_Span span;
    std::optional<double> start;
    const auto lineTime = [speed](const Log_Line& l) {
        return static_cast<double>(l.bytes.size()) * 10.0 / speed;
    };
    std::optional<Log_Line> previous;
    std::string text;
    while (std::getline(in, text)) {
        const auto l = Parse_Line(text);
        if (!l) continue;
        if (!start) {
            if (!Is_Track_Request(*l)) continue;
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
        if (Is_Final_Ack(*l)) {
            span.seconds = l->time - *start;
            return span;
        }
    }
    why = start ? "the log ends before transfer complete was acknowledged"
                : "the log holds no track request";
    return std::nullopt;
}

}  // namespace kelvaron_bench
