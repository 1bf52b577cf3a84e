// Sample track generators.
#include "tools/sim/sample_tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/sim/receiver_time.h"
#include "tools/sim/split_mix.h"

namespace ksim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegreeLat = 110900.0;

double metresPerDegreeLon(double lat) {
    return 111320.0 * std::cos(lat * kPi / 180.0);
}

struct Waypoint {
    double lat;
    double lon;
    double alt;
};

// Ein Karem -> Sorek valley -> Sataf springs (segment 1); Sataf -> ridge -> Ein Karem (segment 2).
constexpr Waypoint kMorning[] = {
    {31.76805, 35.16050, 705}, {31.76690, 35.15720, 668}, {31.76520, 35.15400, 622},
    {31.76400, 35.15010, 580}, {31.76350, 35.14750, 548}, {31.76280, 35.14300, 492},
    {31.76300, 35.13980, 468}, {31.76520, 35.13700, 505}, {31.76800, 35.13500, 552},
    {31.77050, 35.13300, 590}, {31.77250, 35.13080, 602},
};
constexpr Waypoint kAfternoon[] = {
    {31.77250, 35.13080, 602}, {31.77420, 35.12780, 648}, {31.77640, 35.12520, 696},
    {31.77860, 35.12900, 731}, {31.77930, 35.13350, 742}, {31.77720, 35.13900, 718},
    {31.77450, 35.14480, 690}, {31.77210, 35.15010, 702}, {31.77020, 35.15480, 716},
    {31.76870, 35.15850, 709}, {31.76810, 35.16040, 704},
};

// Walks the legs between waypoints with a point about every `spacing` metres, a little
// sideways wander and a pace that slows on the climbs.
template <std::size_t N>
void walkLegs(const Waypoint (&legs)[N], double spacing, SplitMix& rng, std::uint32_t& clock,
              Track& track) {
    bool first = true;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        const Waypoint& a = legs[i];
        const Waypoint& b = legs[i + 1];
        const double dx = (b.lon - a.lon) * metresPerDegreeLon(a.lat);
        const double dy = (b.lat - a.lat) * kMetresPerDegreeLat;
        const double length = std::hypot(dx, dy);
        const int steps = std::max(1, static_cast<int>(std::lround(length / spacing)));
        const double climbPerStep = (b.alt - a.alt) / steps;
        for (int s = 0; s < steps; ++s) {
            const double f = static_cast<double>(s) / steps;
            const double wander =
                6.0 * std::sin(f * kPi * 3.0 + static_cast<double>(i)) + rng.between(-2.0, 2.0);
            const double nx = -dy / length * wander;
            const double ny = dx / length * wander;
            TrackPoint p;
            p.lat = a.lat + (b.lat - a.lat) * f + ny / kMetresPerDegreeLat;
            p.lon = a.lon + (b.lon - a.lon) * f + nx / metresPerDegreeLon(a.lat);
            p.alt = static_cast<float>(std::round((a.alt + (b.alt - a.alt) * f) * 10) / 10);
            p.seconds = clock;
            p.newSegment = first;
            first = false;
            track.addPoint(p);
            const double pace = 1.15 - std::clamp(climbPerStep / spacing, -0.1, 0.3);
            clock += static_cast<std::uint32_t>(std::lround(spacing / pace + rng.between(0, 6)));
        }
    }
}

}  // namespace

Track builtinSampleTrack() {
    Track track;
    track.addHeader("ACTIVE LOG");
    SplitMix rng(20260417);
    // 17 April 2026, starting at 08:12 Israel time.
    std::uint32_t clock = receiverSeconds({2026, 4, 17, 5, 12, 0});
    walkLegs(kMorning, 28.0, rng, clock, track);
    clock += 47 * 60;  // lunch at the springs
    walkLegs(kAfternoon, 28.0, rng, clock, track);
    TrackPoint last;
    last.lat = kAfternoon[std::size(kAfternoon) - 1].lat;
    last.lon = kAfternoon[std::size(kAfternoon) - 1].lon;
    last.alt = static_cast<float>(kAfternoon[std::size(kAfternoon) - 1].alt);
    last.seconds = clock;
    track.addPoint(last);
    return track;
}

Track syntheticHike(std::size_t points) {
    Track track;
    track.addHeader("ACTIVE LOG");
    SplitMix rng(0x4B454C56);
    const double centreLat = 32.9990;
    const double centreLon = 35.4090;
    double lat = centreLat;
    double lon = centreLon;
    double alt = 940;
    double heading = 1.0;
    std::uint32_t clock = receiverSeconds({2026, 3, 20, 4, 30, 0});
    std::size_t nextSegment = 0;
    for (std::size_t i = 0; i < points; ++i) {
        TrackPoint p{lat, lon, clock, i == nextSegment, static_cast<float>(std::round(alt))};
        if (p.newSegment) {
            nextSegment += 1500 + static_cast<std::size_t>(rng.next() % 2500);
            clock += 600 + static_cast<std::uint32_t>(rng.next() % 3000);  // a rest
            p.seconds = clock;
        }
        track.addPoint(p);
        heading += rng.between(-0.35, 0.35);
        const double east = (lon - centreLon) * metresPerDegreeLon(centreLat);
        const double north = (lat - centreLat) * kMetresPerDegreeLat;
        if (std::hypot(east, north) > 6000) heading = std::atan2(-east, -north);  // turn home
        const double step = rng.between(8, 30);
        lat += step * std::cos(heading) / kMetresPerDegreeLat;
        lon += step * std::sin(heading) / metresPerDegreeLon(centreLat);
        alt = std::clamp(alt + rng.between(-4, 4), 450.0, 1200.0);
        clock += static_cast<std::uint32_t>(std::lround(step / 1.2 + rng.between(1, 8)));
    }
    return track;
}

}  // namespace ksim
