// The shape of a track as it is read, held at the resolution a picture can show: a point
// goes in only when it leaves the cell of the point before it, and when the outline grows
// past kMaxVertices the cells double and it is thinned again. Memory stays the same
// whatever the track's length; the picture thins it once more to its pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace overview {

struct LatLon {
    double lat = 0.0;
    double lon = 0.0;
};

class TrackOutline {
  public:
    // Far fewer than the pixels of any picture drawn from it.
    static constexpr std::size_t kMaxVertices = 1 << 15;

    void add(double lat, double lon, bool newSegment);
    // A point the reduction kept.
    void addKept(double lat, double lon);

    // Each segment's outline, its first and its last point always among them.
    std::vector<std::vector<LatLon>> segments() const;
    const std::vector<LatLon>& kept() const { return kept_; }
    // Points held, each segment's tail counted whether it has one or not.
    std::size_t vertices() const { return vertices_ + segments_.size(); }
    double cellDegrees() const { return cell_; }

  private:
    struct Segment {
        std::vector<LatLon> points;
        bool hasTail = false;  // the latest point, in the cell of the last one kept
        LatLon tail;
    };

    bool sameCell(const LatLon& a, const LatLon& b) const;
    void coarsen();
    void thinKept();

    double cell_ = 1e-6;  // degrees: about 0.1 m
    std::vector<Segment> segments_;
    std::size_t vertices_ = 0;
    std::vector<LatLon> kept_;
};

}  // namespace overview
