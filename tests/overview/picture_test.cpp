// The picture of a track drawn offscreen, from pictures.txt: each point's pixel drawn, no
// line across a gap, the markers at the ends, the grid's labels; the points kept against
// the conversion's own reduction; a million points held within the picture's pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "overview/picture_painter.h"
#include "overview/picture_style.h"
#include "overview/svg_picture.h"
#include "overview/track_overview.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"
#include "trackfile/convert.h"
#include "trackfile/point_file.h"

namespace {

using overview::Pixel;
using overview::Rgb;

struct Case {
    std::string name;
    overview::OverviewChoices choices;
    std::vector<seams::Point> points;
    std::vector<std::string> labels;
    double step = 0;
};

void walk(Case& c, std::istringstream& in) {
    double lat1, lon1, lat2, lon2;
    int n;
    in >> lat1 >> lon1 >> lat2 >> lon2 >> n;
    bool segment = false;
    double ele1 = NAN, ele2 = NAN;
    for (std::string w; in >> w;) {
        if (w == "segment") segment = true;
        if (w == "ele") in >> ele1 >> ele2;
    }
    for (int i = 0; i < n; ++i) {
        const double f = n == 1 ? 0.0 : static_cast<double>(i) / (n - 1);
        seams::Point p;
        p.lat = lat1 + (lat2 - lat1) * f;
        p.lon = lon1 + (lon2 - lon1) * f;
        p.elevation = static_cast<float>(ele1 + (ele2 - ele1) * f);
        p.newSegment = segment && i == 0;
        c.points.push_back(p);
    }
}

std::vector<Case> readCases() {
    std::vector<Case> cases;
    for (const std::string& line : testkit::tableLines(OVERVIEW_TEST_DATA "/pictures.txt")) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "case") {
            cases.emplace_back();
            std::getline(in >> std::ws, cases.back().name);
            continue;
        }
        Case& c = cases.back();
        if (word == "system") {
            std::string system, reduce;
            in >> system >> reduce >> c.choices.deviation;
            c.choices.system = system == "old"   ? coords::CoordSystem::IsraeliOld
                               : system == "new" ? coords::CoordSystem::IsraeliNew
                                                 : coords::CoordSystem::LatLon;
            c.choices.gpx = system == "gpx";
            c.choices.reduce = reduce == "reduce";
        } else if (word == "point") {
            seams::Point p;
            in >> p.lat >> p.lon;
            for (std::string w; in >> w;) p.newSegment = p.newSegment || w == "segment";
            c.points.push_back(p);
        } else if (word == "walk") {
            walk(c, in);
        } else if (word == "label") {
            std::string rest;
            std::getline(in >> std::ws, rest);
            c.labels.push_back(rest);
        } else if (word == "grid") {
            in >> c.step;
        }
    }
    return cases;
}

std::unique_ptr<overview::TrackOverview> feed(const Case& c) {
    auto o = std::make_unique<overview::TrackOverview>();
    o->start(c.choices);
    o->startFile("/tmp/out.txt");
    for (const seams::Point& p : c.points) o->point(p, p.newSegment);
    o->end();
    return o;
}

bool near(QRgb got, const Rgb& want, int tolerance) {
    return std::abs(qRed(got) - want.r) <= tolerance &&
           std::abs(qGreen(got) - want.g) <= tolerance &&
           std::abs(qBlue(got) - want.b) <= tolerance;
}

// Drawn by the track: neither the background nor a grid line (antialiasing blends them).
bool trackInk(QRgb c) {
    return !near(c, overview::style::kBackground, 40) && !near(c, overview::style::kGrid, 30);
}

bool inkAround(const QImage& image, const Pixel& p) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int x = static_cast<int>(p.x) + dx, y = static_cast<int>(p.y) + dy;
            if (image.valid(x, y) && trackInk(image.pixel(x, y))) return true;
        }
    return false;
}

std::string labelRow(const overview::TextAt& t) {
    return t.text + " " + std::to_string(std::lround(t.at.x)) + " " +
           std::to_string(std::lround(t.at.y));
}

TEST(Picture, TablesCases) {
    const std::vector<Case> cases = readCases();
    EXPECT_GE(cases.size(), 8u);
    for (const Case& c : cases) {
        const overview::Picture pic = feed(c)->picture();
        const QImage image = overview::paintPicture(pic);
        if (const char* dump = std::getenv("KELVARON_PICTURE_DUMP"))
            image.save(QString::fromStdString(dump + ("/" + testkit::caseName(c.name)) + ".png"));
        for (const seams::Point& p : c.points)
            EXPECT_TRUE(inkAround(image, pic.where(p.lat, p.lon))) << c.name << " at " << p.lat;
        for (std::size_t i = 1; i < c.points.size(); ++i) {
            if (!c.points[i].newSegment) continue;
            const Pixel a = pic.where(c.points[i - 1].lat, c.points[i - 1].lon);
            const Pixel b = pic.where(c.points[i].lat, c.points[i].lon);
            const Pixel middle{std::round((a.x + b.x) / 2), std::round((a.y + b.y) / 2)};
            EXPECT_FALSE(inkAround(image, middle)) << c.name << ": a line across the gap";
        }
        ASSERT_TRUE(pic.start && pic.end) << c.name;
        // Ends closer than two markers' width: the end's is drawn over the start's.
        if (std::hypot(pic.start->x - pic.end->x, pic.start->y - pic.end->y) >
            2 * overview::style::kMarkerRadius) {
            EXPECT_TRUE(near(image.pixel(pic.start->x, pic.start->y), overview::style::kStart, 10))
                << c.name;
        }
        EXPECT_TRUE(near(image.pixel(pic.end->x, pic.end->y), overview::style::kEnd, 10)) << c.name;
        std::vector<std::string> labels;
        for (const overview::GridLine& g : pic.grid) {
            if (!g.label) continue;
            labels.push_back(labelRow(*g.label));
            const std::string& text = g.label->text;
            const double degrees = std::atof(text.c_str());
            if (text.ends_with("E")) {
                EXPECT_EQ(g.at, pic.where(c.points[0].lat, degrees).x) << text;
            } else if (text.ends_with("N")) {
                EXPECT_EQ(g.at, pic.where(degrees, c.points[0].lon).y) << text;
            }
        }
        EXPECT_EQ(labels, c.labels) << c.name;
        EXPECT_DOUBLE_EQ(pic.gridStep, c.step) << c.name;
        EXPECT_GT(pic.scaleTo.x - pic.scaleFrom.x, 10) << c.name;
    }
}

// The points the picture marks as kept are the ones the conversion pass writes.
TEST(Picture, KeptPointsAreTheConversionsOwn) {
    for (const Case& c : readCases()) {
        if (!c.choices.reduce) continue;
        testkit::TempDir dir;
        const std::string points = dir.path("points");
        std::string lines;
        for (const seams::Point& p : c.points)
            lines += trackfile::formatPointRecord(p.lat, p.lon, p.time);
        testkit::writeFile(points, lines);
        trackfile::ConvertOptions options;
        options.system = c.choices.system;
        options.reduce = true;
        options.deviation = static_cast<std::int16_t>(c.choices.deviation);
        const auto counts = trackfile::Convert_Track_File(points, dir.path("out.txt"), options);
        const auto o = feed(c);
        EXPECT_EQ(o->keptText(), std::to_string(counts.pointsWritten) + " of " +
                                     std::to_string(c.points.size()) + " points kept at " +
                                     std::to_string(c.choices.deviation) + "\u00b0");
        const overview::Picture pic = o->picture();
        EXPECT_EQ(pic.kept.size(), counts.pointsWritten) << c.name;
        ASSERT_TRUE(pic.keptText);
    }
}

// A million points in one long wandering walk and a second segment: the picture holds no
// more points than it has pixels, and each point is still drawn.
TEST(Picture, AMillionPointsStayWithinThePixels) {
    Case c;
    c.choices.system = coords::CoordSystem::IsraeliOld;
    for (int i = 0; i < 1000000; ++i) {
        seams::Point p;
        const double t = i * 1e-5;
        p.lat = 31.5 + 0.2 * std::sin(t * 3.1) + 0.01 * std::sin(t * 97.0);
        p.lon = 35.0 + 0.2 * std::cos(t * 2.3) + 0.01 * std::cos(t * 89.0);
        p.elevation = static_cast<float>(300 + 200 * std::sin(t * 5));
        p.newSegment = i == 600000;
        c.points.push_back(p);
    }
    const auto o = feed(c);
    EXPECT_LE(o->pointsHeld(), 2 * overview::TrackOutline::kMaxVertices);
    const overview::Picture pic = o->picture();
    std::size_t drawn = pic.kept.size() + pic.profile.size();
    for (const auto& s : pic.segments) {
        drawn += s.size();
        for (std::size_t i = 1; i < s.size(); ++i) ASSERT_FALSE(s[i] == s[i - 1]) << i;
    }
    EXPECT_LE(drawn, static_cast<std::size_t>(pic.width) * pic.height);
    EXPECT_EQ(pic.segments.size(), 2u);
    const QImage image = overview::paintPicture(pic);
    for (std::size_t i = 0; i < c.points.size(); i += 997)
        EXPECT_TRUE(inkAround(image, pic.where(c.points[i].lat, c.points[i].lon))) << i;
    EXPECT_TRUE(pic.profileArea);
    EXPECT_EQ(image.height(), 480 + overview::kProfileHeight);
}

// A hostile file of a million segments of one point each, back and forth between two
// places: the outline still holds a bounded number of points.
TEST(Picture, AMillionOnePointSegmentsStayBounded) {
    overview::TrackOverview o;
    o.start({});
    o.startFile("/tmp/out.txt");
    for (int i = 0; i < 1000000; ++i) {
        seams::Point p;
        // Across the equator and the antimeridian too.
        p.lat = (i % 2 ? 31.0 : -31.0) + (i % 1000) * 1e-5;
        p.lon = (i % 4 < 2 ? 179.9 : -179.9) + (i % 1000) * 1e-5;
        o.point(p, true);
    }
    o.end();
    EXPECT_LE(o.pointsHeld(), 2 * overview::TrackOutline::kMaxVertices);
    EXPECT_EQ(o.rows().front().points, 1000000);
}

TEST(Picture, SvgHoldsTheSameDrawing) {
    const std::vector<Case> cases = readCases();
    const overview::Picture pic = feed(cases.front())->picture();
    const std::string svg = overview::svgPicture(pic);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    std::size_t polylines = 0;
    for (std::size_t at = 0; (at = svg.find("<polyline", at)) != std::string::npos; ++at)
        ++polylines;
    EXPECT_EQ(polylines, pic.segments.size());
    for (const overview::GridLine& g : pic.grid)
        if (g.label) {
            EXPECT_NE(svg.find(">" + g.label->text + "<"), std::string::npos);
        }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
