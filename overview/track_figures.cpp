#include "overview/track_figures.h"

#include <cmath>

#include "overview/receiver_time.h"

namespace overview {

void TrackFigures::startPart(const std::string& name) {
    parts_.emplace_back();
    parts_.back().figures.name = name;
    havePrevious_ = false;
}

double TrackFigures::add(const seams::Point& point) {
    if (parts_.empty()) startPart({});
    Part& part = parts_.back();
    PartFigures& f = part.figures;
    ++f.points;
    double step = 0.0;
    if (havePrevious_ && !point.newSegment)
        step = distance_.metres(lastLat_, lastLon_, point.lat, point.lon);
    f.metres += step;
    havePrevious_ = true;
    lastLat_ = point.lat;
    lastLon_ = point.lon;
    if (const auto t = parseReceiverTime(point.time)) {
        if (!f.firstTime) f.firstTime = t;
        f.lastTime = t;
    }
    if (std::isfinite(point.elevation)) {
        part.anyElevation = true;
        part.climb.add(point.elevation);
    }
    return step;
}

std::vector<PartFigures> TrackFigures::rows() const {
    std::vector<PartFigures> rows;
    for (const Part& part : parts_) {
        rows.push_back(part.figures);
        if (part.anyElevation) {
            rows.back().ascent = part.climb.ascent();
            rows.back().descent = part.climb.descent();
        }
    }
    return rows;
}

}  // namespace overview
