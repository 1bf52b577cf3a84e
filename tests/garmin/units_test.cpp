// Semicircles and receiver times at their boundaries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "garmin/units.h"

namespace garmin {
namespace {

TEST(Units, SemicirclesToDegrees) {
    const std::pair<std::int32_t, double> cases[] = {
        {1 << 29, 45.0}, {-(1 << 29), -45.0},       {INT32_MIN, -180.0},
        {0, 0.0},        {1, 180.0 / 2147483648.0}, {INT32_MAX, 180.0 - 180.0 / 2147483648.0},
    };
    for (const auto& [semicircles, degrees] : cases) {
        EXPECT_DOUBLE_EQ(Semicircles_To_Degrees(semicircles), degrees) << semicircles;
    }
}

TEST(Units, DegreesToSemicirclesRoundsAndWraps) {
    const double unit = 180.0 / 2147483648.0;
    const std::pair<double, std::int32_t> cases[] = {
        {45.0, 1 << 29},
        {-45.0, -(1 << 29)},
        {0.5 * unit, 0},  // halfway: to the even count
        {1.5 * unit, 2},
        {2.5 * unit, 2},
        {-1.5 * unit, -2},
        {-180.0, INT32_MIN},
        {180.0, INT32_MIN},  // 180 east is 180 west
        {180.0 - 0.25 * unit, INT32_MIN},
        {360.0, 0},
        {540.0, INT32_MIN},
        {-270.0, 1 << 30},
        {270.0, -(1 << 30)},
        {-900.0, INT32_MIN},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {std::numeric_limits<double>::infinity(), 0},
    };
    for (const auto& [degrees, semicircles] : cases) {
        EXPECT_EQ(Degrees_To_Semicircles(degrees), semicircles) << degrees;
    }
    for (const double huge : {1e300, -1e300, 4e9, -4e9}) {
        const double back = Semicircles_To_Degrees(Degrees_To_Semicircles(huge));
        EXPECT_TRUE(back >= -180.0 && back < 180.0) << huge;
    }
}

TEST(Units, FormatGarminTime) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "1989/12/31-00:00:00"},
        {86399, "1989/12/31-23:59:59"},
        {86400, "1990/01/01-00:00:00"},
        {3653u * 86400, "2000/01/01-00:00:00"},
        {3712u * 86400 + 45296, "2000/02/29-12:34:56"},
        {0x7FFFFFFFu, "2058/01/18-03:14:07"},
        {0x80000000u, "2058/01/18-03:14:08"},
        {0xFFFFFFFEu, "2126/02/06-06:28:14"},
        {0xFFFFFFFFu, "N/A"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(Format_Garmin_Time(seconds), text) << seconds;
        if (seconds != kNoTime) {
            EXPECT_EQ(Parse_Garmin_Time(text), seconds) << text;
        }
    }
}

TEST(Units, DaysToDateAroundLeapDays) {
    struct Case {
        std::int32_t days;
        std::int16_t year, month, day;
    };
    const Case cases[] = {
        {0, 1989, 12, 31},   {1, 1990, 1, 1},      {3711, 2000, 2, 28}, {3712, 2000, 2, 29},
        {3713, 2000, 3, 1},  {21974, 2050, 2, 28}, {21975, 2050, 3, 1}, {40236, 2100, 2, 28},
        {40237, 2100, 3, 1}, {-1, 1989, 12, 30},
    };
    for (const auto& c : cases) {
        std::int16_t year = 0, month = 0, day = 0;
        Days_To_Date(c.days, year, month, day);
        EXPECT_EQ(year, c.year) << c.days;
        EXPECT_EQ(month, c.month) << c.days;
        EXPECT_EQ(day, c.day) << c.days;
        EXPECT_EQ(Date_To_Days(c.year, c.month, c.day), c.days) << c.days;
    }
}

TEST(Units, ParseGarminTimeRefusesWhatItCannotCarry) {
    const char* cases[] = {
        "N/A",
        "",
        "2000/01/01 00:00:00",
        "00/01/01-00:00:00",
        "2000/13/01-00:00:00",
        "2000/02/30-00:00:00",
        "2100/02/29-00:00:00",
        "2000/01/01-24:00:00",
        "2000/01/01-00:60:00",
        "1989/12/30-23:59:59",  // before the receiver epoch
        "2126/02/06-06:28:15",  // the all-ones value means "no time"
        "2000/0a/01-00:00:00",
    };
    for (const char* text : cases) EXPECT_EQ(Parse_Garmin_Time(text), kNoTime) << text;
}

}  // namespace
}  // namespace garmin
