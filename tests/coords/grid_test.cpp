#include "coords/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using coords::ArithmeticError;

TEST(IsraeliGrid, KnownPointsToTheMetre) {
    struct Case {
        double lat, lon, easting, northing;
    };
    const Case cases[] = {
        {31.73409, 35.21206, 170251, 1126868},  // the grid's origin
        {32.0853, 34.7818, 129630, 1165892},
        {29.5577, 34.9519, 145038, 885624},
        {33.2, 35.6, 206425, 1289491},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lat << ", " << c.lon);
        double e = -1, n = -1;
        coords::LatLon_To_Israeli_Grid(c.lat, c.lon, e, n);
        EXPECT_EQ(e, c.easting);
        EXPECT_EQ(n, c.northing);
    }
}

// Every grid value, on either side of zero, is the nearest metre with halves going up.
TEST(IsraeliGrid, RoundsHalfUpToTheMetre) {
    struct Case {
        double projected, falseOffset, expected;
    };
    const Case cases[] = {
        {0.5, 170251.0, 170252},   {0.49, 170251.0, 170251},
        {0.0, 1126868.0, 1126868}, {-0.5, 170251.0, 170251},
        {-170251.0, 170251.0, 0},  {-170254.0, 170251.0, -3},  // -3.0 stays -3
        {-170253.7, 170251.0, -3}, {-170253.5, 170251.0, -2},  // -2.5 goes up
        {-170253.2, 170251.0, -2}, {-2000000.4, 170251.0, -1829749},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.projected);
        EXPECT_EQ(coords::gridValue(c.projected, c.falseOffset), c.expected);
    }
}

TEST(IsraeliGrid, WholePartIsTheFloorForEveryValue) {
    struct Case {
        double v, expected;
    };
    const Case cases[] = {{2.7, 2},   {3.0, 3},   {0.0, 0},   {-0.0, 0},
                          {-2.7, -3}, {-3.0, -3}, {-0.2, -1}, {1e15 + 0.5, 1e15}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.v);
        const double w = coords::Whole_Part(c.v);
        EXPECT_EQ(w, c.expected);
        EXPECT_FALSE(std::signbit(w) && w == 0.0);
    }
}

TEST(IsraeliGrid, ArithmeticFaultsAreErrorsNotValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double lat, lon;
    };
    const Case cases[] = {{1e308, 35.0}, {31.7, 1e100}, {nan, 35.0}, {31.7, inf}, {-1e308, 1e308}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lat << ", " << c.lon);
        double e = 7, n = 7;
        EXPECT_THROW(coords::LatLon_To_Israeli_Grid(c.lat, c.lon, e, n), ArithmeticError);
        EXPECT_EQ(e, 7);  // nothing partial handed back
        EXPECT_EQ(n, 7);
    }
    EXPECT_THROW(coords::Whole_Part(nan), ArithmeticError);
    EXPECT_THROW(coords::Whole_Part(-inf), ArithmeticError);
}

}  // namespace
