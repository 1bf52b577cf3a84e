#include "bench/e2e/command_line.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kelvaron_bench {

CommandLine::CommandLine(int argc, char** argv, std::string usage)
    : program_(argv[0]), usage_(std::move(usage)), args_(argv + 1, argv + argc) {}

void CommandLine::usage() const {
    std::fprintf(stderr, "usage: %s %s\n", program_.c_str(), usage_.c_str());
    std::exit(2);
}

std::vector<long> CommandLine::numbers(const std::string& name, std::vector<long> fallback,
                                       long low, long high) {
    const auto at = std::find(args_.begin(), args_.end(), name);
    if (at == args_.end()) return fallback;
    if (at + 1 == args_.end()) usage();
    std::vector<long> out;
    for (const char* p = at[1].c_str(); *p != '\0';) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p || v < low || v > high || (*end != ',' && *end != '\0')) usage();
        out.push_back(v);
        p = *end == ',' ? end + 1 : end;
    }
    if (out.empty()) usage();
    args_.erase(at, at + 2);
    return out;
}

bool CommandLine::flag(const std::string& name) {
    const auto at = std::find(args_.begin(), args_.end(), name);
    if (at == args_.end()) return false;
    args_.erase(at);
    return true;
}

void CommandLine::finish() const {
    if (!args_.empty()) usage();
}

}  // namespace kelvaron_bench
