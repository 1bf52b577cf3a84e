#include "overview/track_outline.h"

#include <algorithm>
#include <cmath>

namespace overview {

namespace {

// Counted from the south pole and the antimeridian, so that once a cell is larger than the
// globe every position is in the first one.
std::pair<double, double> cellOf(const LatLon& p, double cell) {
    return {std::floor((p.lat + 90) / cell), std::floor((p.lon + 180) / cell)};
}

}  // namespace

bool TrackOutline::sameCell(const LatLon& a, const LatLon& b) const {
    return cellOf(a, cell_) == cellOf(b, cell_);
}

void TrackOutline::add(double lat, double lon, bool newSegment) {
    const LatLon p{lat, lon};
    if (newSegment || segments_.empty()) {
        segments_.emplace_back();
        segments_.back().points.push_back(p);
        ++vertices_;
    } else {
        Segment& s = segments_.back();
        if (sameCell(s.points.back(), p)) {
            s.hasTail = true;
            s.tail = p;
            return;
        }
        s.points.push_back(p);
        s.hasTail = false;
        ++vertices_;
    }
    // Each segment's tail counted as a vertex, so that the outline with its tails stays
    // within the bound. Cells as large as the globe end it: every segment is then one
    // point, and those after the first are dropped.
    while (vertices_ + segments_.size() > kMaxVertices) coarsen();
}

// Twice the cell, and each segment thinned to it again: its first point, each point that
// leaves the cell of the last one kept, and its last point as its tail.
void TrackOutline::coarsen() {
    cell_ *= 2;
    vertices_ = 0;
    std::vector<Segment> kept;
    kept.reserve(segments_.size());
    for (Segment& s : segments_) {
        if (s.hasTail) s.points.push_back(s.tail);
        const LatLon last = s.points.back();
        std::size_t out = 1;
        for (std::size_t i = 1; i < s.points.size(); ++i)
            if (!sameCell(s.points[out - 1], s.points[i])) s.points[out++] = s.points[i];
        s.points.resize(out);
        s.hasTail = last.lat != s.points.back().lat || last.lon != s.points.back().lon;
        s.tail = last;
        // A segment of one cell where the one before ends adds nothing to the picture but
        // its count: a file of a million one-point segments must not hold a million.
        if (!kept.empty() && s.points.size() == 1 && !s.hasTail) {
            const Segment& before = kept.back();
            if (sameCell(before.hasTail ? before.tail : before.points.back(), s.points[0]))
                continue;
        }
        vertices_ += s.points.size();
        kept.push_back(std::move(s));
    }
    segments_ = std::move(kept);
    thinKept();
}

void TrackOutline::addKept(double lat, double lon) {
    const LatLon p{lat, lon};
    if (!kept_.empty() && sameCell(kept_.back(), p)) return;
    kept_.push_back(p);
    while (kept_.size() > kMaxVertices) coarsen();
}

// One kept point a cell.
void TrackOutline::thinKept() {
    const auto key = [this](const LatLon& p) { return cellOf(p, cell_); };
    std::sort(kept_.begin(), kept_.end(),
              [&](const LatLon& a, const LatLon& b) { return key(a) < key(b); });
    kept_.erase(std::unique(kept_.begin(), kept_.end(),
                            [&](const LatLon& a, const LatLon& b) { return key(a) == key(b); }),
                kept_.end());
}

std::vector<std::vector<LatLon>> TrackOutline::segments() const {
    std::vector<std::vector<LatLon>> out;
    out.reserve(segments_.size());
    for (const Segment& s : segments_) {
        out.push_back(s.points);
        if (s.hasTail) out.back().push_back(s.tail);
    }
    return out;
}

}  // namespace overview
