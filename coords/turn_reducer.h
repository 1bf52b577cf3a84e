// Reduction of a track to the points where it turns, on grid positions in whole metres.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace coords {

// A point as the reduction sees it: where it lies on the grid, and what is written when
// it is kept.
struct ReducedPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    double lat = 0.0;
    double lon = 0.0;
    std::uint64_t line = 0;  // in the point file
    std::string text;
};

// The turn is measured between legs of the walk, not between single steps, so that the
// metre grid's rounding and a receiver's jitter over steps of a metre or two do not read as
// turns: a leg is one step of 10 m or more, or as many shorter steps as take the walk 20 m
// from where the leg began (both as far as whole metres can tell). Where two legs meet at an
// angle above the deviation, the point kept is the one of the two legs that lies farthest
// from the line joining their outer ends: the corner itself, wherever the legs happened to
// end. A corner inside a leg of several steps splits its turn between that leg's ends, so
// the turn across such a leg, between the legs on either side, counts too.
// A track whose steps are all 10 m or longer has one step per leg, and keeps the points
// where it turns by more than the deviation. The first and the last point are always kept.
// Memory holds the points of three legs.
class TurnReducer {
  public:
    using Keep = std::function<void(const ReducedPoint&)>;

    // `keep` is called for each point kept, in the order of the track.
    TurnReducer(double deviation, Keep keep) : deviation_(deviation), keep_(std::move(keep)) {}

    // The next point of the track. Throws ArithmeticError for a step whose bearing
    // cannot be computed.
    void add(std::int32_t x, std::int32_t y, double lat, double lon, std::uint64_t line,
             std::string_view text);
    // The track has ended: its last point is kept.
    void finish();

  private:
    struct Leg {
        std::size_t end = 0;  // in the ring; a leg begins where the one before it ends
        double bearing = 0.0;
        bool severalSteps = false;
    };

    ReducedPoint& at(std::size_t i) { return slots_[(head_ + i) & (slots_.size() - 1)]; }
    ReducedPoint& pushSlot();
    void dropFirst(std::size_t n);
    void scanFrom(std::size_t i);
    std::size_t legStart(std::size_t leg) const { return leg == 0 ? 0 : legs_[leg - 1].end; }
    bool turnsMore(double bearing1, double bearing2) const;
    std::optional<std::size_t> turnEnded() const;
    std::size_t farthestFromChord(std::size_t from, std::size_t to);

    const double deviation_;
    Keep keep_;
    // The points from the start of the first leg held on (a ring; its size a power of two).
    std::vector<ReducedPoint> slots_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    Leg legs_[3];
    std::size_t legCount_ = 0;
};

}  // namespace coords
