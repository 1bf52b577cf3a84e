// Ascent and descent of a track without the GPS's noise: a climb (or a descent) counts once
// the elevation has moved 5 m or more from the last turning point, and then counts whole,
// from that turning point to the next. Jitter of a few metres around a level walk adds
// nothing; a hill climbed in steps of a metre counts in full.
#pragma once

namespace overview {

class Climb {
  public:
    static constexpr double kThreshold = 5.0;  // metres

    void add(double metres);
    // What has climbed and descended so far, the leg under way included once it counts.
    double ascent() const;
    double descent() const;

  private:
    enum class Way { Unknown, Up, Down };

    Way way_ = Way::Unknown;
    bool any_ = false;
    double low_ = 0.0;  // while the way is unknown: the lowest and highest so far
    double high_ = 0.0;
    double turn_ = 0.0;  // the last turning point
    double peak_ = 0.0;  // the farthest point of the leg under way
    double ascent_ = 0.0;
    double descent_ = 0.0;
};

}  // namespace overview
