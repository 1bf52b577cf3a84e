#include "overview/elevation_profile.h"

#include <algorithm>
#include <cmath>

namespace overview {

void ElevationProfile::add(double metres, double elevation) {
    if (!std::isfinite(metres) || !std::isfinite(elevation) || metres < 0) return;
    while (metres / binMetres_ >= static_cast<double>(kMaxBins)) widen();
    const auto index = static_cast<std::size_t>(metres / binMetres_);
    if (index >= bins_.size()) bins_.resize(index + 1);
    Bin& bin = bins_[index];
    bin.low = bin.any ? std::min(bin.low, elevation) : elevation;
    bin.high = bin.any ? std::max(bin.high, elevation) : elevation;
    bin.any = true;
    low_ = any_ ? std::min(low_, elevation) : elevation;
    high_ = any_ ? std::max(high_, elevation) : elevation;
    any_ = true;
}

void ElevationProfile::widen() {
    std::vector<Bin> wide((bins_.size() + 1) / 2);
    for (std::size_t i = 0; i < bins_.size(); ++i) {
        const Bin& b = bins_[i];
        if (!b.any) continue;
        Bin& w = wide[i / 2];
        w.low = w.any ? std::min(w.low, b.low) : b.low;
        w.high = w.any ? std::max(w.high, b.high) : b.high;
        w.any = true;
    }
    bins_ = std::move(wide);
    binMetres_ *= 2;
}

}  // namespace overview
