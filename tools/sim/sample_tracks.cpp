// Sample track generators.
#include "tools/sim/sample_tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/sim/receiver_time.h"

namespace ksim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegreeLat = 110900.0;

double metres_per_degree_lon(double lat) {
    return 111320.0 * std::cos(lat * kPi / 180.0);
}

// Small deterministic generator so the tracks never depend on the standard library's engines.
class SplitMix {
  public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }  // [0, 1)
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }

  private:
    std::uint64_t state_;
};

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
void walk_legs(const Waypoint (&legs)[N], double spacing, SplitMix& rng, std::uint32_t& clock,
               Track& track) {
    bool first = true;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        const Waypoint& a = legs[i];
        const Waypoint& b = legs[i + 1];
        const double dx = (b.lon - a.lon) * metres_per_degree_lon(a.lat);
        const double dy = (b.lat - a.lat) * kMetresPerDegreeLat;
        const double length = std::hypot(dx, dy);
        const int steps = std::max(1, static_cast<int>(std::lround(length / spacing)));
        const double climb_per_step = (b.alt - a.alt) / steps;
        for (int s = 0; s < steps; ++s) {
            const double f = static_cast<double>(s) / steps;
            const double wander =
                6.0 * std::sin(f * kPi * 3.0 + static_cast<double>(i)) + rng.between(-2.0, 2.0);
            const double nx = -dy / length * wander;
            const double ny = dx / length * wander;
            TrackPoint p;
            p.lat = a.lat + (b.lat - a.lat) * f + ny / kMetresPerDegreeLat;
            p.lon = a.lon + (b.lon - a.lon) * f + nx / metres_per_degree_lon(a.lat);
            p.alt = static_cast<float>(std::round((a.alt + (b.alt - a.alt) * f) * 10) / 10);
            p.seconds = clock;
            p.new_segment = first;
            first = false;
            track.add_point(p);
            const double pace = 1.15 - std::clamp(climb_per_step / spacing, -0.1, 0.3);
            clock += static_cast<std::uint32_t>(std::lround(spacing / pace + rng.between(0, 6)));
        }
    }
}

}  // namespace

Track builtin_sample_track() {
    Track track;
    track.add_header("ACTIVE LOG");
    SplitMix rng(20260417);
    // 17 April 2026, starting at 08:12 Israel time.
    std::uint32_t clock = receiver_seconds({2026, 4, 17, 5, 12, 0});
    walk_legs(kMorning, 28.0, rng, clock, track);
    clock += 47 * 60;  // lunch at the springs
    walk_legs(kAfternoon, 28.0, rng, clock, track);
    TrackPoint last;
    last.lat = kAfternoon[std::size(kAfternoon) - 1].lat;
    last.lon = kAfternoon[std::size(kAfternoon) - 1].lon;
    last.alt = static_cast<float>(kAfternoon[std::size(kAfternoon) - 1].alt);
    last.seconds = clock;
    track.add_point(last);
    return track;
}

Track synthetic_hike(std::size_t points) {
    Track track;
    track.add_header("ACTIVE LOG");
    SplitMix rng(0x4B454C56);
    const double centre_lat = 32.9990;
    const double centre_lon = 35.4090;
    double lat = centre_lat;
    double lon = centre_lon;
    double alt = 940;
    double heading = 1.0;
    std::uint32_t clock = receiver_seconds({2026, 3, 20, 4, 30, 0});
    std::size_t next_segment = 0;
    for (std::size_t i = 0; i < points; ++i) {
        TrackPoint p{lat, lon, clock, i == next_segment, static_cast<float>(std::round(alt))};
        if (p.new_segment) {
            next_segment += 1500 + static_cast<std::size_t>(rng.next() % 2500);
            clock += 600 + static_cast<std::uint32_t>(rng.next() % 3000);  // a rest
            p.seconds = clock;
        }
        track.add_point(p);
        heading += rng.between(-0.35, 0.35);
        const double east = (lon - centre_lon) * metres_per_degree_lon(centre_lat);
        const double north = (lat - centre_lat) * kMetresPerDegreeLat;
        if (std::hypot(east, north) > 6000) heading = std::atan2(-east, -north);  // turn home
        const double step = rng.between(8, 30);
        lat += step * std::cos(heading) / kMetresPerDegreeLat;
        lon += step * std::sin(heading) / metres_per_degree_lon(centre_lat);
        alt = std::clamp(alt + rng.between(-4, 4), 450.0, 1200.0);
        clock += static_cast<std::uint32_t>(std::lround(step / 1.2 + rng.between(1, 8)));
    }
    return track;
}

}  // namespace ksim
