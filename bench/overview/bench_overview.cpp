// The overview on long tracks: for 100,000 and 1,000,000 points of a walk in Israel (a point
// a second, with elevations and times), in each mode the overview follows, a forked child
// feeds every point as the point file receives them, then ends the read and makes the
// picture and paints it as the window does. It prints the cost of following the points (per
// point, added to the read), the time from the end of the read to the painted picture, and
// the child's peak memory (ru_maxrss from wait4), which must not grow with the points.
//   QT_QPA_PLATFORM=offscreen bench_overview [points...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "overview/picture_painter.h"
#include "overview/track_overview.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Mode {
    const char* name;
    overview::OverviewChoices choices;
};

// The i-th point of a wandering walk of about 1.4 m a second with a few metres of noise.
seams::Point pointAt(long i) {
    seams::Point p;
    const double t = static_cast<double>(i);
    p.lat = 31.5 + 0.15 * std::sin(t * 2.1e-5) + 0.002 * std::sin(t * 7.3e-4) +
            0.00002 * std::sin(t * 0.37);
    p.lon = 35.0 + 0.15 * std::cos(t * 1.7e-5) + 0.002 * std::cos(t * 6.1e-4) +
            0.00002 * std::cos(t * 0.41);
    p.elevation = static_cast<float>(400 + 300 * std::sin(t * 3e-5) + 2 * std::sin(t * 0.9));
    const long s = 8 * 3600 + i;  // from 2026-04-17 08:00:00, a second a point
    char text[64];
    std::snprintf(text, sizeof text, "2026/04/%02ld-%02ld:%02ld:%02ld", 17 + s / 86400,
                  s / 3600 % 24, s / 60 % 60, s % 60);
    p.time = text;
    p.newSegment = i > 0 && i % 100000 == 0;
    return p;
}

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// In the child: prints its figures, then the parent adds the peak memory.
void run(const Mode& mode, long points, int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::vector<seams::Point> track;  // made before the clock starts, outside the figures
    const long batch = 100000;
    overview::TrackOverview o;
    o.start(mode.choices);
    o.startFile("/tmp/walk.txt");
    double feeding = 0;
    for (long from = 0; from < points; from += batch) {
        track.clear();
        for (long i = from; i < std::min(points, from + batch); ++i) track.push_back(pointAt(i));
        const auto start = Clock::now();
        for (const seams::Point& p : track) o.point(p, p.newSegment);
        feeding += millisSince(start);
    }
    track = {};
    const auto end = Clock::now();
    o.end();
    const overview::Picture picture = o.picture(560, 400);
    const double model = millisSince(end);
    const QImage image = overview::paintPicture(picture);
    const double ready = millisSince(end);
    std::size_t drawn = picture.kept.size();
    for (const auto& s : picture.segments) drawn += s.size();
    std::printf("| %s | %s | %.0f ms | %.0f ns | %.1f ms | %.1f ms | %zu | %d x %d |", mode.name,
                std::to_string(points).c_str(), feeding, feeding * 1e6 / points, model, ready,
                drawn, image.width(), image.height());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {100000, 1000000};
    using coords::CoordSystem;
    const Mode modes[] = {
        {"lat/lon", {CoordSystem::LatLon, false, false, 0, false}},
        {"old grid", {CoordSystem::IsraeliOld, false, false, 0, false}},
        {"old grid, reduced 10°", {CoordSystem::IsraeliOld, false, true, 10, false}},
        {"new grid, reduced 10°", {CoordSystem::IsraeliNew, false, true, 10, false}},
        {"GPX, reduced 10°", {CoordSystem::LatLon, true, true, 10, false}},
    };
    std::printf(
        "| mode | points | following them | a point | end to model | end to painted "
        "picture | points drawn | picture | peak memory |\n|---|---|---|---|---|---|---|"
        "---|---|\n");
    std::fflush(stdout);
    for (const long points : sizes) {
        for (const Mode& mode : modes) {
            const pid_t child = fork();
            if (child == 0) {
                run(mode, points, argc, argv);
                std::_Exit(0);
            }
            int status = 0;
            rusage usage{};
            wait4(child, &status, 0, &usage);
            std::printf(" %ld KiB |\n", usage.ru_maxrss);
            std::fflush(stdout);
        }
    }
    return 0;
}
