#include "overview/track_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "overview/plane_projection.h"

namespace overview {

namespace {

constexpr double kLeft = 64, kRight = 14, kTop = 26, kBottom = 26;
constexpr double kMinGridSpan = 200;      // metres shown at least, for a track of one point
constexpr double kMinDegreeSpan = 0.002;  // the same in degrees
constexpr double kLabelGapX = 64;         // pixels between two labels of vertical lines
constexpr double kLabelGapY = 16;

std::string format(const char* pattern, double v) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

struct Bounds {
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
    void take(const Plane& p) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
};

// The plane drawn into the map's rectangle, the track centred at one scale both ways.
struct View {
    Rect map;
    double scale = 1;  // pixels a unit
    double centreX = 0, centreY = 0;
    Pixel toPixel(const Plane& p) const {
        return {std::round((map.left + map.right) / 2 + (p.x - centreX) * scale),
                std::round((map.top + map.bottom) / 2 - (p.y - centreY) * scale)};
    }
    double planeX(double px) const { return centreX + (px - (map.left + map.right) / 2) / scale; }
    double planeY(double py) const { return centreY - (py - (map.top + map.bottom) / 2) / scale; }
};

View makeView(const Bounds& b, const Rect& map, double minSpan) {
    View v;
    v.map = map;
    const double spanX = std::max(b.maxX - b.minX, minSpan);
    const double spanY = std::max(b.maxY - b.minY, minSpan);
    v.scale = std::min((map.right - map.left) / spanX, (map.bottom - map.top) / spanY);
    v.centreX = (b.minX + b.maxX) / 2;
    v.centreY = (b.minY + b.maxY) / 2;
    return v;
}

// The finest of the steps offered that draws at most ten lines across the larger side.
double gridStep(double span, bool inGrid) {
    static constexpr double kMetres[] = {1000, 5000, 10000};
    static constexpr double kDegrees[] = {0.01, 0.05, 0.1, 0.5, 1, 5, 10};
    const double* begin = inGrid ? std::begin(kMetres) : std::begin(kDegrees);
    const double* end = inGrid ? std::end(kMetres) : std::end(kDegrees);
    for (const double* s = begin; s != end; ++s)
        if (span / *s <= 10) return *s;
    return *(end - 1);
}

std::string degreeLabel(double v, double step, bool latitude) {
    const char* pattern = step < 0.1 ? "%.2f" : step < 1 ? "%.1f" : "%.0f";
    const char* hemisphere = latitude ? (v < 0 ? "S" : "N") : (v < 0 ? "W" : "E");
    return format(pattern, std::fabs(v)) + "\u00b0" + hemisphere;
}

void addGrid(Picture& pic, const View& view, const PlaneProjection& plane) {
    const Rect& m = pic.map;
    const bool inGrid = plane.inGrid();
    // In degrees the x axis is longitude shrunk: lines go at whole steps of longitude.
    const double xUnit = inGrid ? 1.0 : plane.lonScale();
    const double unitsAcross = std::max((view.planeX(m.right) - view.planeX(m.left)) / xUnit,
                                        view.planeY(m.top) - view.planeY(m.bottom));
    const double step = gridStep(unitsAcross, inGrid);
    pic.gridStep = step;
    double lastLabel = -1e9;
    for (double k = std::ceil(view.planeX(m.left) / xUnit / step);
         k * step * xUnit <= view.planeX(m.right); ++k) {
        GridLine line{true, view.toPixel({k * step * xUnit, view.centreY}).x, std::nullopt};
        if (line.at - lastLabel >= kLabelGapX) {
            const double v = k * step;
            line.label = TextAt{inGrid ? format("%.0f", v) : degreeLabel(v, step, false),
                                {line.at, m.bottom + 16},
                                TextAt::Align::Centre};
            lastLabel = line.at;
        }
        pic.grid.push_back(line);
    }
    lastLabel = 1e9;
    for (double k = std::ceil(view.planeY(m.bottom) / step); k * step <= view.planeY(m.top); ++k) {
        GridLine line{false, view.toPixel({view.centreX, k * step}).y, std::nullopt};
        if (lastLabel - line.at >= kLabelGapY) {
            const double v = k * step;
            line.label = TextAt{inGrid ? format("%.0f", v) : degreeLabel(v, step, true),
                                {m.left - 4, line.at + 4},
                                TextAt::Align::Right};
            lastLabel = line.at;
        }
        pic.grid.push_back(line);
    }
}

void addScaleBar(Picture& pic, const View& view, const PlaneProjection& plane) {
    const double metresPerPixel = plane.metresPerUnit() / view.scale;
    const double most = (pic.map.right - pic.map.left) / 4 * metresPerPixel;
    double length = 1;
    for (double decade = 1; decade <= most; decade *= 10)
        for (const double f : {1.0, 2.0, 5.0})
            if (f * decade <= most) length = f * decade;
    const double pixels = length / metresPerPixel;
    pic.scaleTo = {pic.map.right - 10, pic.map.bottom - 10};
    pic.scaleFrom = {pic.scaleTo.x - pixels, pic.scaleTo.y};
    pic.scaleLabel = {length >= 1000 ? format("%.0f km", length / 1000) : format("%.0f m", length),
                      {(pic.scaleFrom.x + pic.scaleTo.x) / 2, pic.scaleTo.y - 5},
                      TextAt::Align::Centre};
}

void addProfile(Picture& pic, const ElevationProfile& profile) {
    if (profile.empty()) return;
    const Rect area{pic.map.left, static_cast<double>(pic.height) + 8, pic.map.right,
                    static_cast<double>(pic.height + kProfileHeight) - 22};
    pic.profileArea = area;
    const auto& bins = profile.bins();
    const double metres = std::max(1.0, bins.size() * profile.binMetres());
    const double low = profile.low();
    const double span = std::max(10.0, profile.high() - low);
    for (std::size_t i = 0; i < bins.size(); ++i) {
        if (!bins[i].any) continue;
        const Pixel p{
            std::round(area.left +
                       (i + 0.5) * profile.binMetres() / metres * (area.right - area.left)),
            std::round(area.bottom - (bins[i].high - low) / span * (area.bottom - area.top))};
        if (pic.profile.empty() || !(pic.profile.back() == p)) pic.profile.push_back(p);
    }
    pic.profileLabels.push_back(
        {format("%.0f m", profile.high()), {area.left - 4, area.top + 8}, TextAt::Align::Right});
    pic.profileLabels.push_back(
        {format("%.0f m", low), {area.left - 4, area.bottom}, TextAt::Align::Right});
    pic.profileLabels.push_back(
        {metres >= 1000 ? format("%.1f km", metres / 1000) : format("%.0f m", metres),
         {area.right, area.bottom + 16},
         TextAt::Align::Right});
    pic.height += kProfileHeight;
}

}  // namespace

Picture makePicture(const TrackOutline& outline, const ElevationProfile& profile,
                    const PictureInput& input) {
    Picture pic;
    pic.width = input.width;
    pic.height = input.height;
    pic.map = {kLeft, kTop, input.width - kRight, input.height - kBottom};
    const auto segments = outline.segments();
    const auto shared = std::make_shared<const PlaneProjection>(input.system, segments);
    const PlaneProjection& plane = *shared;
    Bounds bounds;
    for (const auto& s : segments)
        for (const LatLon& p : s) bounds.take(plane.toPlane(p));
    if (segments.empty()) bounds.take({0, 0});
    const double minSpan = plane.inGrid() ? kMinGridSpan : kMinDegreeSpan;
    const View view = makeView(bounds, pic.map, minSpan);
    for (const auto& s : segments) {
        pic.segments.emplace_back();
        for (const LatLon& p : s) {
            const Pixel px = view.toPixel(plane.toPlane(p));
            if (pic.segments.back().empty() || !(pic.segments.back().back() == px))
                pic.segments.back().push_back(px);
        }
    }
    if (!pic.segments.empty()) {
        pic.start = pic.segments.front().front();
        pic.end = pic.segments.back().back();
    }
    for (const LatLon& p : outline.kept()) {
        const Pixel px = view.toPixel(plane.toPlane(p));
        if (std::find(pic.kept.end() - std::min<std::ptrdiff_t>(pic.kept.size(), 8), pic.kept.end(),
                      px) == pic.kept.end())
            pic.kept.push_back(px);
    }
    pic.where = [shared, view](double lat, double lon) {
        return view.toPixel(shared->toPlane({lat, lon}));
    };
    addGrid(pic, view, plane);
    addScaleBar(pic, view, plane);
    if (!input.keptText.empty())
        pic.keptText = TextAt{input.keptText, {pic.map.left, 17}, TextAt::Align::Left};
    addProfile(pic, profile);
    return pic;
}

}  // namespace overview
