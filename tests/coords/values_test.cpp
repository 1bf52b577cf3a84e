// The numeric procedures of the coordinate math at their boundaries, from values.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "coords/angles.h"
#include "coords/grid.h"
#include "tests/support/case_table.h"

namespace {

// Rows "PROCEDURE ARGUMENTS... = RESULTS..." or "PROCEDURE ARGUMENTS... fails".
TEST(Coords, ValueTableRows) {
    const auto rows = testkit::tableLines(COORDS_TEST_DATA "/values.txt");
    EXPECT_GT(rows.size(), 40u);
    for (const std::string& row : rows) {
        std::istringstream in(row);
        std::string name;
        in >> name;
        std::vector<double> a;
        for (std::string w; in >> w && w != "=" && w != "fails";)
            a.push_back(std::strtod(w.c_str(), nullptr));
        std::vector<double> got(2, 0.0);
        auto run = [&] {
            if (name == "dms") got[0] = coords::Deg_To_DMS(a[0]);
            if (name == "nmea") got[0] = coords::NMEA_To_Deg(a[0]);
            if (name == "min") got[0] = coords::Min_Value(a[0], a[1]);
            if (name == "grid") coords::LatLon_To_Israeli_Grid(a[0], a[1], got[0], got[1]);
            if (name == "round") got[0] = coords::gridValue(a[0], a[1]);
            if (name == "whole") got[0] = coords::Whole_Part(a[0]);
            if (name == "bearing") {
                got[0] = coords::Grid_Bearing(
                    static_cast<std::int32_t>(a[0]), static_cast<std::int32_t>(a[1]),
                    static_cast<std::int32_t>(a[2]), static_cast<std::int32_t>(a[3]));
            }
        };
        if (row.ends_with("fails")) {
            EXPECT_THROW(run(), coords::ArithmeticError) << row;
        } else {
            run();
            std::vector<double> want;
            for (double w = 0; in >> w;) want.push_back(w);
            for (std::size_t i = 0; i < want.size(); ++i) {
                EXPECT_NEAR(got[i], want[i], 1e-6) << row;
                EXPECT_EQ(std::signbit(got[i]), std::signbit(want[i])) << row;
            }
        }
    }
}

}  // namespace
