// The benchmarks' command line: "--name value" pairs and bare flags, each checked, with the
// program's usage line on any mistake.
#pragma once

#include <string>
#include <vector>

namespace kelvaron_bench {

class CommandLine {
  public:
    CommandLine(int argc, char** argv, std::string usage);

    // The comma-separated whole numbers of `--name`, each from `low` to `high`, or `fallback`.
    std::vector<long> numbers(const std::string& name, std::vector<long> fallback, long low,
                              long high);
    bool flag(const std::string& name);
    // Exits with the usage (status 2) when an argument was left that no option took.
    void finish() const;

  private:
    [[noreturn]] void usage() const;

    std::string program_;
    std::string usage_;
    std::vector<std::string> args_;  // what no option has taken yet
};

}  // namespace kelvaron_bench
