// The speed change measured side by side in one run, each download a child process against
// its own kelvaron-sim starting at 9600 bit/s, wall clock from the start of the process to
// its end:
//   - N D301 points (default 10,000) from a receiver that accepts 115200: kelvaron-get as
//     it comes (it moves the receiver to 115200), with --switch-speed off (9600 throughout),
//     and GPSBabel with baud=115200; for the runs at 115200 the transfer's fraction of the
//     line-rate bound at 115200 from the simulator's frame log;
//   - M points (default 300) from a receiver that ignores the request: kelvaron-get as it
//     comes and with --switch-speed off, and GPSBabel without the option.
// A run that does not end with every point is said so; GPSBabel's exchange can fail (it
// flushes its port right after its acknowledgement; it then gets no track, or the track at
// 9600), so it is tried up to --tries times, every try printed.
//
//   bench_garmin_switch [--points N] [--ignore-points M] [--tries T] [--rounds R] [--skip-slow]
// --rounds repeats the pair at 115200 (kelvaron-get, GPSBabel) R times; --skip-slow leaves
// out the ten-thousand-point download at 9600 (six minutes).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/e2e/command_line.h"
#include "bench/e2e/sim_log.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

using namespace kelvaron_bench;
using Clock = std::chrono::steady_clock;

pid_t spawn(std::vector<std::string> args, const std::string& out, const std::string& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

long count(const std::string& text, const std::string& what) {
    long n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A simulator on a pseudo-terminal of its own, stopped when it goes out of scope.
class Sim {
  public:
    Sim(const testkit::TempDir& dir, const std::vector<std::string>& options)
        : log_(dir.path("sim.log")) {
        std::vector<std::string> args = {KELVARON_SIM_PATH, "--log", log_};
        args.insert(args.end(), options.begin(), options.end());
        const std::string out = dir.path("sim.out");
        pid_ = spawn(args, out, dir.path("sim.err"));
        for (int i = 0; i < 500 && device_.empty(); ++i) {
            const std::string text = testkit::readFile(out);
            const std::string key = "kelvaron-sim: device ";
            const std::size_t at = text.find(key);
            if (at == std::string::npos || text.find('\n', at) == std::string::npos) {
                ::usleep(10000);
                continue;
            }
            const std::size_t from = at + key.size();
            device_ = text.substr(from, text.find_first_of(" \n", from) - from);
        }
    }
    ~Sim() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    const std::string& device() const { return device_; }
    const std::string& log() const { return log_; }

  private:
    pid_t pid_ = -1;
    std::string log_;
    std::string device_;
};

struct Run {
    bool ok = false;
    double seconds = 0;
    long points = 0;
    double fraction = 0;  // of the line-rate bound at 115200, 0 when not measured
    std::string note;
};

// One download by `program` ("kelvaron" or "gpsbabel") from a fresh simulator.
Run download(const std::string& program, const std::vector<std::string>& simOptions,
             const std::vector<std::string>& extra, long points, bool fast) {
    testkit::TempDir dir;
    Run r;
    Sim sim(dir, simOptions);
    if (sim.device().empty()) {
        r.note = "kelvaron-sim did not start";
        return r;
    }
    std::vector<std::string> args;
    const std::string out = dir.path(program == "kelvaron" ? "t.txt" : "t.gpx");
    if (program == "kelvaron") {
        args = {KELVARON_GET_PATH, "--gps", "garmin", "--port", sim.device(),
                "--speed",         "9600",  "--out",  out,      "--quiet"};
    } else {
        // GPSBabel's options go with its input format, before the input.
        std::string format = "garmin";
        for (const std::string& option : extra) format += "," + option;
        args = {"gpsbabel", "-t", "-i", format, "-f", sim.device(), "-o", "gpx", "-F", out};
    }
    if (program == "kelvaron") args.insert(args.end(), extra.begin(), extra.end());
    // The program's own settings, not the user's.
    ::setenv("XDG_CONFIG_HOME", dir.path("config").c_str(), 1);
    const auto start = Clock::now();
    const pid_t pid = spawn(args, dir.path("out.txt"), dir.path("err.txt"));
    int status = -1;
    if (pid > 0) ::waitpid(pid, &status, 0);
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const std::string file = testkit::readFile(out);
    r.points = program == "kelvaron" ? count(file, "\n") : count(file, "<trkpt");
    r.ok = status == 0 && r.points == points;
    if (!r.ok)
        r.note = "status " + std::to_string(status) + ", " + testkit::readFile(dir.path("err.txt"));
    if (fast) {
        std::string why;
        if (const auto span = readTransferSpan(sim.log(), 115200, why))
            r.fraction = static_cast<double>(span->bytes) * 10.0 / 115200.0 / span->seconds;
    }
    return r;
}

void print(const std::string& what, const Run& r) {
    std::printf("  %-52s %9.3f s  %ld points%s", what.c_str(), r.seconds, r.points,
                r.ok ? "" : "  NOT ALL");
    if (r.fraction > 0) std::printf("  line-rate fraction at 115200 %.2f %%", 100.0 * r.fraction);
    std::printf("\n");
    if (!r.ok && !r.note.empty()) std::printf("    %s\n", r.note.c_str());
    std::fflush(stdout);
}

// GPSBabel until it brings every point, at most `tries` times.
Run gpsbabel(const std::vector<std::string>& sim, const std::vector<std::string>& extra,
             long points, bool fast, long tries, const std::string& what) {
    Run r;
    for (long i = 1; i <= tries; ++i) {
        r = download("gpsbabel", sim, extra, points, fast);
        // Asked for 115200, a transfer three times slower than that line (35 bytes a point
        // each way) came at 9600 after all.
        const double lineSeconds = static_cast<double>(points) * 35 * 10 / 115200;
        const bool fellBack = fast && r.ok && r.seconds > 3 * lineSeconds + 5;
        print(what + " (try " + std::to_string(i) + ")" + (fellBack ? ", at 9600" : ""), r);
        if (r.ok && !fellBack) break;
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line(argc, argv,
                     "[--points N] [--ignore-points M] [--tries T] [--rounds R] [--skip-slow]");
    const long n = line.numbers("--points", {10000}, 1, 1000000)[0];
    const long m = line.numbers("--ignore-points", {300}, 1, 1000000)[0];
    const long tries = line.numbers("--tries", {5}, 1, 100)[0];
    const long rounds = line.numbers("--rounds", {1}, 1, 100)[0];
    const bool skipSlow = line.flag("--skip-slow");
    line.finish();
    double load[1] = {0};
    if (::getloadavg(load, 1) == 1) std::printf("load average at the start: %.2f\n", load[0]);

    const std::string points = std::to_string(n);
    // Every point is one record more than the points: the track header.
    const std::vector<std::string> accepts = {"--points",       points,   "--speed", "9600",
                                              "--switch-speed", "115200", "--once"};
    std::printf("%ld D301 points, receiver at 9600 bit/s accepting 115200:\n", n);
    // The pair that the goal compares runs `rounds` times, one after the other, so that the
    // machine's other work falls on both alike.
    Run fast, babel;
    for (long round = 1; round <= rounds; ++round) {
        fast = download("kelvaron", accepts, {}, n, true);
        print("kelvaron-get (moves it to 115200)", fast);
        babel = gpsbabel(accepts, {"baud=115200"}, n, true, tries, "gpsbabel baud=115200");
        if (babel.ok && fast.ok)
            std::printf("  kelvaron-get against gpsbabel baud=115200: %+.3f s (goal at most 0)\n",
                        fast.seconds - babel.seconds);
    }
    if (!skipSlow) {
        const Run slow = download("kelvaron", accepts, {"--switch-speed", "off"}, n, false);
        print("kelvaron-get --switch-speed off (9600)", slow);
        if (slow.ok && fast.ok)
            std::printf("  with the change: %.2f %% of the time at 9600 (goal at most 10 %%)\n",
                        100.0 * fast.seconds / slow.seconds);
    }

    const std::string few = std::to_string(m);
    const std::vector<std::string> ignores = {
        "--points",       few,      "--speed", "9600", "--switch-speed", "115200",
        "--switch-fault", "ignore", "--once"};
    std::printf("%ld D301 points, receiver at 9600 bit/s ignoring the speed request:\n", m);
    const Run asks = download("kelvaron", ignores, {}, m, false);
    print("kelvaron-get (asks, waits a second, stays)", asks);
    const Run off = download("kelvaron", ignores, {"--switch-speed", "off"}, m, false);
    print("kelvaron-get --switch-speed off", off);
    const Run plain = gpsbabel(ignores, {}, m, false, tries, "gpsbabel without baud");
    if (asks.ok && off.ok)
        std::printf("  the ignored request costs %+.3f s (goal at most 1.2 s)\n",
                    asks.seconds - off.seconds);
    if (asks.ok && plain.ok)
        std::printf("  kelvaron-get against gpsbabel without baud: %+.3f s\n",
                    asks.seconds - plain.seconds);
    return fast.ok && asks.ok && off.ok ? 0 : 1;
}
