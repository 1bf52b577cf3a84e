#include "coords/turn_reducer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "coords/angles.h"

namespace coords {

namespace {

constexpr double kLongStep = 10.0;  // metres: a step this long is a leg of its own
constexpr double kLeg = 20.0;       // metres: a leg of shorter steps
// A walker standing still for half an hour at a point a second never leaves the first
// 20 m: a leg this many steps long ends where it is, which bounds the memory.
constexpr std::size_t kMaxLegSteps = 2048;

// Each coordinate of a step between whole metres is off the true one by less than a
// metre, so a step that was 10 m or longer before the rounding always ends a leg.
bool legEnds(const ReducedPoint& from, const ReducedPoint& to, std::size_t steps) {
    const double dx = std::fabs(static_cast<double>(to.x) - from.x) + 1.0;
    const double dy = std::fabs(static_cast<double>(to.y) - from.y) + 1.0;
    const double length = steps == 1 ? kLongStep : kLeg;
    return dx * dx + dy * dy > length * length || steps >= kMaxLegSteps;
}

// The square of the distance of `p` from the segment from `a` to `b`.
double squaredDistance(const ReducedPoint& p, const ReducedPoint& a, const ReducedPoint& b) {
    const double vx = static_cast<double>(b.x) - a.x;
    const double vy = static_cast<double>(b.y) - a.y;
    double wx = static_cast<double>(p.x) - a.x;
    double wy = static_cast<double>(p.y) - a.y;
    const double length2 = vx * vx + vy * vy;
    if (length2 > 0.0) {
        const double t = std::clamp((wx * vx + wy * vy) / length2, 0.0, 1.0);
        wx -= t * vx;
        wy -= t * vy;
    }
    return wx * wx + wy * wy;
}

}  // namespace

void TurnReducer::add(std::int32_t x, std::int32_t y, double lat, double lon, std::uint64_t line,
                      std::string_view text) {
    ReducedPoint& p = pushSlot();
    p.x = x;
    p.y = y;
    p.lat = lat;
    p.lon = lon;
    p.line = line;
    p.text.assign(text);  // the slot's storage is reused point after point
    if (count_ == 1) {    // the first point of the track: the ring never holds less than two
        keep_(p);
        return;
    }
    scanFrom(count_ - 1);
}

void TurnReducer::finish() {
    // A single point was kept as the first.
    if (count_ >= 2) keep_(at(count_ - 1));
}

// The ring begins where the first leg held begins. When a leg ends, the turns it completes
// are measured; a point kept begins the legs afresh, and otherwise the first leg of three
// is let go.
void TurnReducer::scanFrom(std::size_t i) {
    while (i < count_) {
        const std::size_t from = legStart(legCount_);
        if (!legEnds(at(from), at(i), i - from)) {
            ++i;
            continue;
        }
        legs_[legCount_++] = {i, Grid_Bearing(at(i).x, at(i).y, at(from).x, at(from).y),
                              i - from > 1};
        if (const std::optional<std::size_t> chordStart = turnEnded()) {
            const std::size_t corner = farthestFromChord(*chordStart, i);
            keep_(at(corner));
            dropFirst(corner);
            legCount_ = 0;
            i = 1;
            continue;
        }
        if (legCount_ == 3) {
            const std::size_t n = legs_[0].end;
            dropFirst(n);
            legs_[0] = {legs_[1].end - n, legs_[1].bearing, legs_[1].severalSteps};
            legs_[1] = {legs_[2].end - n, legs_[2].bearing, legs_[2].severalSteps};
            legCount_ = 2;
            i -= n;
        }
        ++i;
    }
}

bool TurnReducer::turnsMore(double bearing1, double bearing2) const {
    const double d = std::fabs(bearing1 - bearing2);
    return Min_Value(d, 360.0 - d) > deviation_;
}

// Where the chord across a turn above the deviation, which the last leg completed, begins;
// none when the walk turned less.
std::optional<std::size_t> TurnReducer::turnEnded() const {
    const std::size_t last = legCount_ - 1;
    if (legCount_ >= 2 && turnsMore(legs_[last - 1].bearing, legs_[last].bearing))
        return legStart(last - 1);
    if (legCount_ == 3 && legs_[1].severalSteps && turnsMore(legs_[0].bearing, legs_[2].bearing))
        return legStart(0);
    return std::nullopt;
}

// Of the points between at(from) and at(to), the first that lies farthest from the line
// between them. With steps of 10 m or more that is the one point between.
std::size_t TurnReducer::farthestFromChord(std::size_t from, std::size_t to) {
    std::size_t best = from + 1;
    double bestDistance = -1.0;
    for (std::size_t i = from + 1; i < to; ++i) {
        const double d = squaredDistance(at(i), at(from), at(to));
        if (d > bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

ReducedPoint& TurnReducer::pushSlot() {
    if (count_ == slots_.size()) {
        std::vector<ReducedPoint> grown(std::max<std::size_t>(8, slots_.size() * 2));
        for (std::size_t i = 0; i < count_; ++i) grown[i] = std::move(at(i));
        slots_ = std::move(grown);
        head_ = 0;
    }
    return at(count_++);
}

void TurnReducer::dropFirst(std::size_t n) {
    head_ = (head_ + n) & (slots_.size() - 1);
    count_ -= n;
}

}  // namespace coords
