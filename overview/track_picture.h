// The picture of a track as what is to be drawn where, in pixels (y down): the segments'
// lines, the points a reduction kept, the start and the end, the grid lines with their
// labels, a scale bar, and the elevation profile. The painters only draw it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "coords/coord_system.h"
#include "overview/elevation_profile.h"
#include "overview/track_outline.h"

namespace overview {

struct Pixel {
    double x = 0.0;
    double y = 0.0;
    bool operator==(const Pixel&) const = default;
};

struct TextAt {
    std::string text;
    Pixel at;  // the baseline's start, middle or end, as `align` says
    enum class Align { Left, Centre, Right } align = Align::Left;
};

struct GridLine {
    bool vertical = false;  // a line of equal easting (or longitude)
    double at = 0.0;        // its x (vertical) or y
    std::optional<TextAt> label;
};

struct Rect {
    double left = 0, top = 0, right = 0, bottom = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    Rect map;  // where the track is drawn; the grid is clipped to it
    // No line joins two segments: each is drawn on its own, in a colour of its own.
    std::vector<std::vector<Pixel>> segments;
    std::vector<Pixel> kept;
    std::optional<Pixel> start;
    std::optional<Pixel> end;
    std::vector<GridLine> grid;
    double gridStep = 0.0;  // metres, or degrees
    Pixel scaleFrom;        // the scale bar, left to right
    Pixel scaleTo;
    TextAt scaleLabel;
    std::optional<TextAt> keptText;  // "62 of 281 points kept at 10°"
    // The elevation profile below the map, when the points have elevations.
    std::optional<Rect> profileArea;
    std::vector<Pixel> profile;
    std::vector<TextAt> profileLabels;
    // Where a position falls on the map, as the track's points were placed.
    std::function<Pixel(double lat, double lon)> where;
};

struct PictureInput {
    coords::CoordSystem system = coords::CoordSystem::LatLon;
    int width = 640;
    int height = 480;  // of the map; the profile adds its own strip below
    std::string keptText;
};

// The size of the profile's strip.
inline constexpr int kProfileHeight = 110;

// Draws the outline (and the profile when it holds elevations) to pixels. No point of a
// line is in the same pixel as the one before it, so the picture never holds more points
// than it has pixels.
Picture makePicture(const TrackOutline& outline, const ElevationProfile& profile,
                    const PictureInput& input);

}  // namespace overview
