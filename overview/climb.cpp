#include "overview/climb.h"

#include <algorithm>

namespace overview {

void Climb::add(double metres) {
    if (!any_) {
        any_ = true;
        low_ = high_ = metres;
        return;
    }
    switch (way_) {
        case Way::Unknown:
            low_ = std::min(low_, metres);
            high_ = std::max(high_, metres);
            // The first leg starts at whichever end the walk moved away from.
            if (metres - low_ >= kThreshold) {
                way_ = Way::Up;
                turn_ = low_;
                peak_ = metres;
            } else if (high_ - metres >= kThreshold) {
                way_ = Way::Down;
                turn_ = high_;
                peak_ = metres;
            }
            return;
        case Way::Up:
            if (metres > peak_) {
                peak_ = metres;
            } else if (peak_ - metres >= kThreshold) {
                ascent_ += peak_ - turn_;
                turn_ = peak_;
                peak_ = metres;
                way_ = Way::Down;
            }
            return;
        case Way::Down:
            if (metres < peak_) {
                peak_ = metres;
            } else if (metres - peak_ >= kThreshold) {
                descent_ += turn_ - peak_;
                turn_ = peak_;
                peak_ = metres;
                way_ = Way::Up;
            }
            return;
    }
}

double Climb::ascent() const {
    return ascent_ + (way_ == Way::Up ? peak_ - turn_ : 0.0);
}

double Climb::descent() const {
    return descent_ + (way_ == Way::Down ? turn_ - peak_ : 0.0);
}

}  // namespace overview
