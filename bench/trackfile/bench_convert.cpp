// Speed and memory of the conversion pass in each of its modes, on generated tracks of
// 100,000 and 1,000,000 points. Each pass runs in a forked child so that the child's
// peak resident size (ru_maxrss from wait4) belongs to that pass alone: equal peaks
// for both sizes show that memory does not grow with the track.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "trackfile/convert.h"
#include "trackfile/point_file.h"

namespace {

struct Mode {
    const char* name;
    coords::CoordSystem system;
    bool reduce;
    const char* output;  // its name chooses GPX
};

constexpr Mode kModes[] = {
    {"lat/lon", coords::CoordSystem::LatLon, false, "out.txt"},
    {"grid", coords::CoordSystem::IsraeliOld, false, "out.txt"},
    {"new grid", coords::CoordSystem::IsraeliNew, false, "out.txt"},
    {"GPX", coords::CoordSystem::LatLon, false, "out.gpx"},
    {"lat/lon reduced", coords::CoordSystem::LatLon, true, "out.txt"},
    {"grid reduced", coords::CoordSystem::IsraeliOld, true, "out.txt"},
    {"new grid reduced", coords::CoordSystem::IsraeliNew, true, "out.txt"},
    {"GPX reduced", coords::CoordSystem::LatLon, true, "out.gpx"},
};

// A wandering walk that stays inside both grids' areas, a point every few metres, with one-second
// time texts like a receiver's.
void writeTrack(const std::string& path, long points) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror(path.c_str());
        std::exit(0);
    }
    std::mt19937 random(1234);
    std::uniform_real_distribution<double> turn(-25.0, 25.0);
    double lat = 31.5, lon = 35.0, heading = 45.0;
    char text[40];
    for (long i = 0; i < points; ++i) {
        heading += turn(random);
        lat += 0.00008 * std::cos(heading * M_PI / 180.0);
        lon += 0.00009 * std::sin(heading * M_PI / 180.0);
        const long s = i % 86400;
        std::snprintf(text, sizeof text, "2024/05/%02ld-%02ld:%02ld:%02ld", 1 + (i / 86400) % 28,
                      s / 3600, s / 60 % 60, s % 60);
        const std::string line = trackfile::formatPointRecord(lat, lon, text);
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
}

struct Run {
    double seconds = -1.0;    // wall time of the pass, negative when it failed
    double cpuSeconds = 0.0;  // user + system time of the whole child
    long peakKiB = 0;
};

double toSeconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

// One pass in a child; the child sends its elapsed time back through a pipe.
Run runInChild(const std::string& in, const std::string& dir, const Mode* mode) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        double seconds = 0.0;
        if (mode != nullptr) {
            const auto start = std::chrono::steady_clock::now();
            try {
                trackfile::Convert_Track_File(in, dir + "/" + mode->output,
                                              {mode->system, mode->reduce, 10});
                seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            } catch (const coords::ConversionError& e) {
                std::fprintf(stderr, "%s\n", e.what());
                seconds = -1.0;
            }
        }
        (void)!write(fds[1], &seconds, sizeof seconds);
        _exit(0);
    }
    close(fds[1]);
    Run run;
    if (read(fds[0], &run.seconds, sizeof run.seconds) != sizeof run.seconds) run.seconds = -1.0;
    close(fds[0]);
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
        run.peakKiB = usage.ru_maxrss;
        run.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    }
    return run;
}

long linesIn(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return 0;
    long lines = 0;
    char buf[1 << 16];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        for (std::size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
    std::fclose(f);
    return lines;
}

}  // namespace

int main() {
    std::string dir = (std::filesystem::temp_directory_path() / "bench-convert-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 0;
    }
    const std::string in = dir + "/ts-points";
    constexpr int kRepeats = 5;

    const Run idle = runInChild(in, dir, nullptr);
    std::printf("peak of an idle child: %ld KiB\n\n", idle.peakKiB);
    // Wall time suffers when other work shares the cores; the CPU figure does not.
    std::printf("%9s  %-16s %10s %14s %10s %14s %10s\n", "points", "mode", "lines out",
                "points/s wall", "wall s", "points/s CPU", "peak KiB");
    for (long points : {100000L, 1000000L}) {
        writeTrack(in, points);
        for (const Mode& mode : kModes) {
            Run best;
            double bestCpu = 0.0;
            long peak = 0;
            for (int i = 0; i < kRepeats; ++i) {
                const Run run = runInChild(in, dir, &mode);
                if (run.seconds < 0) continue;
                if (best.seconds < 0 || run.seconds < best.seconds) best = run;
                if (bestCpu == 0.0 || run.cpuSeconds < bestCpu) bestCpu = run.cpuSeconds;
                if (run.peakKiB > peak) peak = run.peakKiB;
            }
            const double count = static_cast<double>(points);
            std::printf("%9ld  %-16s %10ld %14.0f %10.3f %14.0f %10ld\n", points, mode.name,
                        linesIn(dir + "/" + mode.output),
                        best.seconds > 0 ? count / best.seconds : 0.0, best.seconds,
                        bestCpu > 0 ? count / bestCpu : 0.0, peak);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
