// The figures of a track, from figures.txt, climbs.txt and times.txt: rows as the user reads
// them in Israel's time zone, distances against PROJ's geodesic summed step by step.
#include <geodesic.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "overview/climb.h"
#include "overview/figures_text.h"
#include "overview/receiver_time.h"
#include "overview/track_figures.h"
#include "tests/support/case_table.h"

namespace {

struct Case {
    std::string name;
    overview::TrackFigures figures;
    std::vector<double> oracleMetres;  // per part
    std::vector<std::string> rows;
    bool havePrevious = false;
    double lat = 0, lon = 0;
};

std::vector<Case> readCases() {
    std::vector<Case> cases;
    geod_geodesic g;
    geod_init(&g, 6378137.0, 1 / 298.257223563);
    for (const std::string& line : testkit::tableLines(OVERVIEW_TEST_DATA "/figures.txt")) {
        std::istringstream in(line);
        std::string word;
        in >> word;
        std::string rest;
        std::getline(in >> std::ws, rest);
        if (word == "case") {
            cases.emplace_back();
            cases.back().name = rest;
            continue;
        }
        Case& c = cases.back();
        if (word == "part") {
            c.figures.startPart(rest);
            c.oracleMetres.push_back(0);
            c.havePrevious = false;
        } else if (word == "point") {
            std::istringstream p(rest);
            seams::Point point;
            std::string ele, segment;
            p >> point.lat >> point.lon >> point.time >> ele >> segment;
            if (ele != "-") point.elevation = std::stof(ele);
            point.newSegment = segment == "segment";
            c.figures.add(point);
            if (c.oracleMetres.empty()) c.oracleMetres.push_back(0);
            if (c.havePrevious && !point.newSegment) {
                double s12 = 0;
                geod_inverse(&g, c.lat, c.lon, point.lat, point.lon, &s12, nullptr, nullptr);
                c.oracleMetres.back() += s12;
            }
            c.havePrevious = true;
            c.lat = point.lat;
            c.lon = point.lon;
        } else if (word == "row") {
            c.rows.push_back(rest);
        }
    }
    return cases;
}

class Figures : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("TZ", "Asia/Jerusalem", 1);
        tzset();
    }
};

TEST_F(Figures, RowsOfEachTrack) {
    std::vector<Case> cases = readCases();
    EXPECT_GE(cases.size(), 7u);
    for (Case& c : cases) {
        const auto rows = c.figures.rows();
        ASSERT_EQ(rows.size(), c.rows.size()) << c.name;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::vector<std::string> fields = overview::rowFields(rows[i]);
            std::string got = fields[0];
            for (std::size_t f = 1; f < fields.size(); ++f) got += "|" + fields[f];
            EXPECT_EQ(got, c.rows[i]) << c.name;
            EXPECT_NEAR(rows[i].metres, c.oracleMetres[i], 1e-6 * c.oracleMetres[i] + 1e-6)
                << c.name;
        }
    }
}

TEST_F(Figures, StatsAsJson) {
    overview::TrackFigures figures;
    figures.startPart("a \"quoted\"\tname");
    seams::Point p;
    p.lat = 31.0;
    p.lon = 35.0;
    p.time = "2026/03/27-00:30:00";
    figures.add(p);
    EXPECT_EQ(overview::rowsJson(figures.rows()),
              "[{\"name\": \"a \\\"quoted\\\"\\u0009name\", \"first\": "
              "\"2026-03-27T03:30:00+03:00\", \"last\": \"2026-03-27T03:30:00+03:00\", "
              "\"durationSeconds\": 0, \"distanceMetres\": 0.0, \"ascentMetres\": null, "
              "\"descentMetres\": null, \"points\": 1}]\n");
}

TEST_F(Figures, UtcWhereTheZoneIsUtc) {
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(overview::localTimeText(1774569600), "2026-03-27 00:00:00 UTC");
}

TEST_F(Figures, ClimbsWithTheFiveMetreRule) {
    for (const std::string& row : testkit::tableLines(OVERVIEW_TEST_DATA "/climbs.txt")) {
        std::istringstream in(row);
        overview::Climb climb;
        for (std::string w; in >> w && w != "=";) climb.add(std::stod(w));
        double ascent = 0, descent = 0;
        in >> ascent >> descent;
        EXPECT_DOUBLE_EQ(climb.ascent(), ascent) << row;
        EXPECT_DOUBLE_EQ(climb.descent(), descent) << row;
    }
}

TEST_F(Figures, ReceiverTimes) {
    for (const std::string& row : testkit::tableLines(OVERVIEW_TEST_DATA "/times.txt")) {
        const auto at = row.find(" = ");
        const auto got = overview::parseReceiverTime(row.substr(0, at));
        const std::string want = row.substr(at + 3);
        if (want == "none")
            EXPECT_FALSE(got) << row;
        else
            EXPECT_EQ(got, std::optional<std::int64_t>(std::stoll(want))) << row;
    }
}

}  // namespace
