// Elevation against distance walked, gathered as the points pass into a fixed number of
// bins: when the track outgrows them, each bin takes in its neighbour and covers twice the
// distance. Memory stays the same whatever the track's length.
#pragma once

#include <cstddef>
#include <vector>

namespace overview {

class ElevationProfile {
  public:
    static constexpr std::size_t kMaxBins = 2048;

    struct Bin {
        bool any = false;
        double low = 0.0;
        double high = 0.0;
    };

    // A point `metres` along the track (gaps between segments not counted) at `elevation`.
    void add(double metres, double elevation);
    bool empty() const { return !any_; }
    const std::vector<Bin>& bins() const { return bins_; }
    double binMetres() const { return binMetres_; }
    double low() const { return low_; }
    double high() const { return high_; }

  private:
    void widen();

    std::vector<Bin> bins_;
    double binMetres_ = 1.0;
    bool any_ = false;
    double low_ = 0.0;
    double high_ = 0.0;
};

}  // namespace overview
