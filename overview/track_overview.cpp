#include "overview/track_overview.h"

#include <cmath>
#include <exception>

#include "coords/grid.h"

namespace overview {

namespace {

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TrackOverview::TrackOverview() = default;
TrackOverview::~TrackOverview() = default;

void TrackOverview::start(const OverviewChoices& choices) {
    choices_ = choices;
    figures_ = {};
    outline_ = {};
    profile_ = {};
    reducer_.reset();
    itm_.reset();
    reductionFailed_ = false;
    kept_ = 0;
    points_ = 0;
    walked_ = 0.0;
    trackPending_ = false;
    fileName_.clear();
    ended_ = false;
    if (!choices.reduce) return;
    try {
        if (!choices.gpx && choices.system == coords::CoordSystem::IsraeliNew)
            itm_ = std::make_unique<coords::ItmProjection>();
    } catch (const std::exception&) {
        reductionFailed_ = true;
    }
}

void TrackOverview::startFile(const std::string& name) {
    fileName_ = baseName(name);
    // Each file is a pass of its own, reduced on its own.
    finishReducer();
    if (choices_.split || figures_.rows().empty()) figures_.startPart(fileName_);
}

void TrackOverview::startTrack(const std::string& name) {
    trackPending_ = true;
    if (choices_.split) return;
    // A file of one unnamed track keeps the file's name; each further track a row of its own.
    if (points_ > 0 || !name.empty()) {
        if (points_ == 0) figures_ = {};
        figures_.startPart(name.empty() ? fileName_ : name);
    }
}

void TrackOverview::point(const seams::Point& p, bool newSegment) {
    // GPX begins a segment with each track; the picture draws no line between them either.
    const bool segment = newSegment || trackPending_ || points_ == 0;
    trackPending_ = false;
    seams::Point stored = p;
    stored.newSegment = segment;
    const double step = figures_.add(stored);
    ++points_;
    outline_.add(p.lat, p.lon, segment);
    walked_ += step;
    if (std::isfinite(p.elevation)) profile_.add(walked_, p.elevation);
    if (choices_.reduce) reduce(p);
}

// The conversion measures turns on the chosen grid, and on the old grid for
// latitude/longitude and GPX.
void TrackOverview::reduce(const seams::Point& p) {
    if (reductionFailed_) return;
    try {
        if (!reducer_) startReducer();
        double e = 0, n = 0;
        if (itm_) {
            itm_->project(p.lat, p.lon, e, n);
        } else {
            if (!choices_.gpx && choices_.system == coords::CoordSystem::IsraeliOld)
                coords::requireOldGridArea(p.lat, p.lon);
            coords::LatLon_To_Israeli_Grid(p.lat, p.lon, e, n);
        }
        reducer_->add(static_cast<std::int32_t>(e), static_cast<std::int32_t>(n), p.lat, p.lon,
                      ++line_, {});
    } catch (const std::exception&) {
        // The conversion refuses the same point, and says why.
        reductionFailed_ = true;
        reducer_.reset();
    }
}

void TrackOverview::startReducer() {
    line_ = 0;
    reducer_ = std::make_unique<coords::TurnReducer>(choices_.deviation,
                                                     [this](const coords::ReducedPoint& k) {
                                                         ++kept_;
                                                         outline_.addKept(k.lat, k.lon);
                                                     });
}

void TrackOverview::finishReducer() {
    if (!reducer_) return;
    try {
        reducer_->finish();
    } catch (const std::exception&) {
        reductionFailed_ = true;
    }
    reducer_.reset();
}

void TrackOverview::end() {
    finishReducer();
    ended_ = true;
}

std::string TrackOverview::keptText() const {
    if (!choices_.reduce || reductionFailed_ || points_ == 0) return {};
    return std::to_string(kept_) + " of " + std::to_string(points_) + " points kept at " +
           std::to_string(choices_.deviation) + "\u00b0";
}

Picture TrackOverview::picture(int width, int height) const {
    PictureInput input;
    input.system = choices_.gpx ? coords::CoordSystem::LatLon : choices_.system;
    input.width = width;
    input.height = height;
    input.keptText = keptText();
    return makePicture(outline_, profile_, input);
}

}  // namespace overview
