// Whole-process time and peak memory of kelvaron-get --from reading a GPX and a FIT file of
// 100,000 and 1,000,000 points into each output form, side by side in the same run with
// GPSBabel converting the same file to GPX (its fastest writer). The GPX is written here
// as a unit writes its log (a segment every 10,000 points, elevation and time on every
// point); the FIT is GPSBabel's own conversion of it. Each program runs as a child whose
// peak resident size comes from wait4. Each runs three times (KELVARON_BENCH_RUNS), the
// rounds taking every program in turn: the fastest wall time and the largest peak are
// printed, with GPSBabel's time over ours, so that a spell of load on a shared machine
// does not decide a row.
// Usage: bench_read [POINTS...]   (default 100000 1000000)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

struct Form {
    const char* name;
    std::vector<std::string> options;
    const char* output;
};

const std::vector<Form> kForms = {
    {"lat/lon", {"--grid", "none"}, "out.txt"},
    {"old grid", {"--grid", "old"}, "out.txt"},
    {"new grid", {"--grid", "new"}, "out.txt"},
    {"GPX", {}, "out.gpx"},
    {"lat/lon, reduced", {"--grid", "none", "--reduce", "10"}, "out.txt"},
    {"lat/lon, split", {"--grid", "none", "--split"}, "out.txt"},
};

void writeGpx(const std::string& path, long points) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    std::fputs(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n"
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" creator=\"bench\" version=\"1.1\">"
        "<trk><name>Bench walk</name><trkseg>",
        f);
    std::mt19937 random(1234);
    std::uniform_real_distribution<double> turn(-25.0, 25.0);
    double lat = 31.5, lon = 35.0, heading = 45.0, ele = 300.0;
    for (long i = 0; i < points; ++i) {
        if (i > 0 && i % 10000 == 0) std::fputs("</trkseg><trkseg>", f);
        heading += turn(random);
        lat += 0.00008 * std::cos(heading * M_PI / 180.0);
        lon += 0.00009 * std::sin(heading * M_PI / 180.0);
        ele += turn(random) / 50.0;
        const long s = i % 86400;
        std::fprintf(f,
                     "<trkpt lat=\"%.6f\" lon=\"%.6f\"><ele>%.2f</ele>"
                     "<time>2024-05-%02ldT%02ld:%02ld:%02ldZ</time></trkpt>\n",
                     lat, lon, ele, 1 + (i / 86400) % 28, s / 3600, s / 60 % 60, s % 60);
    }
    std::fputs("</trkseg></trk></gpx>\n", f);
    std::fclose(f);
}

struct Run {
    double seconds = -1;
    long peakKiB = 0;
    int status = -1;
};

Run runChild(const std::vector<std::string>& args, const std::string& dir) {
    std::fflush(stdout);  // or the child's copy of the buffer is printed again
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        setenv("TMPDIR", dir.c_str(), 1);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Run run;
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.peakKiB = usage.ru_maxrss;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

void removeOutputs(const std::string& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().filename().string().starts_with("out")) std::filesystem::remove(entry);
}

int runsPerRow() {
    const char* text = std::getenv("KELVARON_BENCH_RUNS");
    const int runs = text != nullptr ? std::atoi(text) : 3;
    return runs > 0 ? runs : 1;
}

// Keeps the fastest wall time, the largest peak, and the first status that was not 0.
void keepBest(Run& best, const Run& run) {
    if (best.seconds < 0 || run.seconds < best.seconds) best.seconds = run.seconds;
    best.peakKiB = std::max(best.peakKiB, run.peakKiB);
    if (best.status <= 0) best.status = run.status;
}

void printRow(long points, const char* input, const char* what, const Run& run, double babel) {
    std::printf("%9ld  %-4s %-22s %8.3f %12ld %6d", points, input, what, run.seconds, run.peakKiB,
                run.status);
    if (babel > 0 && run.seconds > 0) std::printf(" %8.1f", babel / run.seconds);
    std::printf("\n");
    std::fflush(stdout);
}

// The rounds go over every program and form in turn, so that a spell of load falls on all.
void benchInput(long points, const char* kind, const std::string& file, const std::string& dir) {
    std::vector<std::vector<std::string>> commands = {
        {"gpsbabel", "-i", std::string(kind) == "GPX" ? "gpx" : "garmin_fit", "-f", file, "-o",
         "gpx", "-F", dir + "/out-babel.gpx"}};
    for (const Form& form : kForms) {
        std::vector<std::string> args = {KELVARON_GET_PATH, "--from", file,
                                         "--quiet",         "--out",  dir + "/" + form.output};
        args.insert(args.end(), form.options.begin(), form.options.end());
        commands.push_back(args);
    }
    std::vector<Run> best(commands.size());
    for (int round = 0; round < runsPerRow(); ++round)
        for (std::size_t i = 0; i < commands.size(); ++i) {
            keepBest(best[i], runChild(commands[i], dir));
            removeOutputs(dir);
        }
    printRow(points, kind, "GPSBabel to GPX", best[0], 0);
    for (std::size_t i = 0; i < kForms.size(); ++i)
        printRow(points, kind, kForms[i].name, best[i + 1], best[0].seconds);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {100000, 1000000};
    std::string dir = (std::filesystem::temp_directory_path() / "bench-read-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) return 0;
    std::printf("%9s  %-4s %-22s %8s %12s %6s %8s\n", "points", "file", "program / output form",
                "wall s", "peak KiB", "exit", "GPSBabel÷");
    for (long points : sizes) {
        const std::string gpx = dir + "/walk.gpx", fit = dir + "/walk.fit";
        writeGpx(gpx, points);
        runChild({"gpsbabel", "-i", "gpx", "-f", gpx, "-o", "garmin_fit", "-F", fit}, dir);
        std::printf("%9ld  GPX %ld bytes, FIT %ld bytes\n", points,
                    static_cast<long>(std::filesystem::file_size(gpx)),
                    static_cast<long>(std::filesystem::file_size(fit)));
        benchInput(points, "GPX", gpx, dir);
        benchInput(points, "FIT", fit, dir);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
