#include "coords/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using coords::ArithmeticError;

TEST(DegToDMS, PacksDegreesMinutesSeconds) {
    struct Case {
        double degrees, packed;
    };
    const Case cases[] = {
        {31.73409, 314402.724},
        {35.21206, 351243.416},
        {0.0001, 0.36},
        {31.5, 313000},
        {0.0, 0},
        {180.0, 1800000},
        // Negative angles are packed sign and magnitude, seconds included.
        {-31.5, -313000},
        {-0.0001, -0.36},
        {-31.73409, -314402.724},
        {-31.999, -315956.4},
        {-0.5, -3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        EXPECT_NEAR(coords::Deg_To_DMS(c.degrees), c.packed, 1e-8);
    }
    EXPECT_EQ(coords::Deg_To_DMS(-31.5), -313000.0);
}

TEST(NMEAToDeg, UnpacksDegreesAndMinutes) {
    struct Case {
        double packed, degrees;
    };
    const Case cases[] = {
        {3204.5678, 32.07613},   {3512.0, 35.2},   {3512.3456, 35.20576}, {0.0, 0.0},
        {-3204.5678, -32.07613}, {-3512.0, -35.2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packed);
        EXPECT_NEAR(coords::NMEA_To_Deg(c.packed), c.degrees, 1e-12);
    }
}

TEST(Angles, NonFiniteAndOverflowAreErrors) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {inf, -inf, nan, 1e305, -1e305}) {
        SCOPED_TRACE(v);
        EXPECT_THROW(coords::Deg_To_DMS(v), ArithmeticError);
    }
    for (double v : {inf, nan}) EXPECT_THROW(coords::NMEA_To_Deg(v), ArithmeticError);
}

TEST(MinValue, TiesGoToTheSecondArgument) {
    EXPECT_EQ(coords::Min_Value(2, 3), 2);
    EXPECT_EQ(coords::Min_Value(3, 2), 2);
    EXPECT_TRUE(std::signbit(coords::Min_Value(0.0, -0.0)));
    EXPECT_FALSE(std::signbit(coords::Min_Value(-0.0, 0.0)));
}

TEST(GridBearing, QuadrantsAndAxes) {
    struct Case {
        std::int32_t x1, y1, x0, y0;
        double bearing;
    };
    const Case cases[] = {
        {10, 10, 0, 0, 45},
        {10, -10, 0, 0, 135},
        {-10, -10, 0, 0, 225},
        {-10, 10, 0, 0, 315},
        {5, 0, 0, 0, 90},
        {-5, 0, 0, 0, 270},
        {0, 5, 0, 0, 0},
        {0, -5, 0, 0, 180},
        {0, 0, 0, 0, 0},
        {7, 7, 7, 7, 0},
        {110, 210, 100, 200, 45},  // relative to the earlier point
        {-1, 1000, 0, 0, 359.94270422},
        {1, -1000, 0, 0, 179.94270422},
        {1732, 1000, 0, 0, 59.99927221},
        {INT32_MAX, 0, 0, 0, 90},
        {0, INT32_MIN, 0, 0, 180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " from " << c.x0 << "," << c.y0);
        const double b = coords::Grid_Bearing(c.x1, c.y1, c.x0, c.y0);
        EXPECT_NEAR(b, c.bearing, 1e-6);
        EXPECT_GE(b, 0.0);
        EXPECT_LT(b, 360.0);
    }
}

TEST(GridBearing, StepsBeyond32BitsAreErrors) {
    struct Case {
        std::int32_t x1, y1, x0, y0;
    };
    const Case cases[] = {
        {INT32_MAX, 0, -1, 0},
        {INT32_MIN, 0, 1, 0},
        {0, INT32_MAX, 0, INT32_MIN},
        {0, -2, 0, INT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " from " << c.x0 << "," << c.y0);
        EXPECT_THROW(coords::Grid_Bearing(c.x1, c.y1, c.x0, c.y0), ArithmeticError);
    }
}

}  // namespace
