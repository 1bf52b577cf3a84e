#include "coords/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "coords/point_file.h"
#include "test_files.h"

namespace {

using coords::ConversionError;
using coords_test::Lines_Of;
using coords_test::Read_File;
using coords_test::TempDir;
using coords_test::Write_File;

struct Mode {
    const char* name;
    bool grid;
    bool reduce;
};
const Mode kModes[] = {
    {"lat/lon", false, false},
    {"grid", true, false},
    {"lat/lon reduced", false, true},
    {"grid reduced", true, true},
};

// Runs the pass on `input` bytes and returns the output bytes.
std::string Convert(const std::string& input, bool grid, bool reduce, int deviation = 45,
                    char separator = '.') {
    TempDir dir;
    Write_File(dir.Path("ts1"), input);
    coords::Convert_Track_File(dir.Path("ts1"), dir.Path("out.txt"), grid, reduce,
                               static_cast<std::int16_t>(deviation), separator);
    return Read_File(dir.Path("out.txt"));
}

// The texts of the written lines: the last item of each line.
std::vector<std::string> Texts(const std::string& output) {
    std::vector<std::string> texts;
    for (const std::string& line : Lines_Of(output))
        texts.push_back(line.substr(line.rfind(' ') + 1));
    return texts;
}

const std::string kOrigin = "31.73409,35.21206,\"N/A\"\r\n";
// Plain decimals, as the writers make them: 1 followed by `zeros` zeros.
std::string Huge(int zeros) {
    return "1" + std::string(static_cast<std::size_t>(zeros), '0');
}
const std::string kGridOrigin =
    " 170251 "
    "      "
    " 1126868 "
    "     "
    "N/A\r\n";
const std::string kPackedOrigin =
    " 314402.724 "
    "  "
    " 351243.416 "
    "  "
    "N/A\r\n";

TEST(ConvertTrackFile, LineBytesInEveryMode) {
    struct Case {
        const char* name;
        std::string input;
        bool grid, reduce;
        char separator;
        std::string output;
    };
    const Case cases[] = {
        {"grid", kOrigin, true, false, '.', kGridOrigin},
        {"lat/lon", kOrigin, false, false, '.', kPackedOrigin},
        {"lat/lon, comma", kOrigin, false, false, ',',
         " 314402,724 "
         "  "
         " 351243,416 "
         "  "
         "N/A\r\n"},
        {"grid, comma", kOrigin, true, false, ',', kGridOrigin},
        {"one record, reduced, is written twice", kOrigin, true, true, '.',
         kGridOrigin + kGridOrigin},
        {"one record, lat/lon reduced", kOrigin, false, true, '.', kPackedOrigin + kPackedOrigin},
        {"grid, every record", kOrigin + "32.0853,34.7818,\"2024/05/06-12:34:56\"\r\n" + kOrigin,
         true, false, '.',
         kGridOrigin + " 129630        1165892      2024/05/06-12:34:56\r\n" + kGridOrigin},
        // Far outside the grid's area, still converted: both values negative.
        {"south-west of the grid", "0,0,\"far\"\r\n", true, false, '.',
         "-4021826 "
         "     "
         "-2385259 "
         "     "
         "far\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Convert(c.input, c.grid, c.reduce, 45, c.separator), c.output);
    }
}

TEST(ConvertTrackFile, EmptyInputGivesEmptyOutputInEveryMode) {
    for (const Mode& m : kModes) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(Convert("", m.grid, m.reduce), "");
    }
}

// Reduction scenarios drawn in grid metres around the origin; the texts name the points.
struct Step {
    double east, north;
    const char* text;
};

std::string Track(const std::vector<Step>& steps) {
    std::string bytes;
    for (const Step& s : steps) {
        const coords_test::GeoPoint p = coords_test::Point_On_Grid(s.east, s.north);
        bytes += coords::formatPointRecord(p.lat, p.lon, s.text);
    }
    return bytes;
}

std::vector<Step> Gentle_Curve() {
    // Five 1 km steps, each turning 4 degrees more to the east: 16 degrees in all.
    std::vector<Step> steps{{0, 0, "P0"}};
    static const char* names[] = {"P1", "P2", "P3", "P4", "P5"};
    double e = 0, n = 0;
    for (int i = 0; i < 5; ++i) {
        const double heading = i * 4.0 * M_PI / 180.0;
        e += std::round(1000 * std::sin(heading));
        n += std::round(1000 * std::cos(heading));
        steps.push_back({e, n, names[i]});
    }
    return steps;
}

TEST(ConvertTrackFile, ReductionKeepsTurnsAboveTheDeviation) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int deviation;
        std::vector<std::string> kept;
    };
    const std::vector<Step> rightAngle{{0, 0, "A"}, {100, 0, "B"}, {100, 100, "C"}};
    const std::vector<Step> acrossNorth{{0, 0, "A"}, {-176, 1000, "B"}, {0, 2000, "C"}};
    const Case cases[] = {
        {"two records", {{0, 0, "A"}, {100, 0, "B"}}, 45, {"A", "B"}},
        {"collinear going east", {{0, 0, "A"}, {100, 0, "B"}, {200, 0, "C"}}, 45, {"A", "C"}},
        {"right angle", rightAngle, 45, {"A", "B", "C"}},
        {"turn equal to the deviation", rightAngle, 90, {"A", "C"}},
        {"turn just above the deviation", rightAngle, 89, {"A", "B", "C"}},
        {"350 to 10 is 20 degrees, kept at 15", acrossNorth, 15, {"A", "B", "C"}},
        {"350 to 10 is 20 degrees, dropped at 25", acrossNorth, 25, {"A", "C"}},
        {"turning back", {{0, 0, "A"}, {100, 0, "B"}, {0, 0, "C"}}, 90, {"A", "B", "C"}},
        {"gentle curve", Gentle_Curve(), 5, {"P0", "P5"}},
        {"two turns",
         {{0, 0, "A"},
          {100, 0, "B"},
          {200, 0, "C"},
          {200, 100, "D"},
          {200, 200, "E"},
          {100, 200, "F"}},
         45,
         {"A", "C", "E", "F"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input = Track(c.steps);
        // Lat/lon output measures its turns on the grid too, so both keep the same points.
        EXPECT_EQ(Texts(Convert(input, true, true, c.deviation)), c.kept);
        EXPECT_EQ(Texts(Convert(input, false, true, c.deviation)), c.kept);
    }
}

TEST(ConvertTrackFile, LatLonOutputMeasuresTurnsOnTheGrid) {
    // In raw degrees the second step heads 45 degrees from the first; on the grid, where
    // a degree of longitude is shorter, the turn is about 49.5 degrees.
    const std::string input =
        "31.5,35,\"A\"\r\n"
        "31.5,35.1,\"B\"\r\n"
        "31.6,35.2,\"C\"\r\n";
    EXPECT_EQ(Convert(input, false, true, 47),
              " 313000        350000       A\r\n"
              " 313000        350600       B\r\n"
              " 313600        351200       C\r\n");
    EXPECT_EQ(Texts(Convert(input, false, true, 52)), (std::vector<std::string>{"A", "C"}));
}

TEST(ConvertTrackFile, LatLonWithoutReductionDoesNotProject) {
    // A longitude this far out makes the projection overflow, yet packs fine.
    const std::string input = "0," + Huge(100) + ",\"x\"\r\n";
    EXPECT_EQ(Lines_Of(Convert(input, false, false)).size(), 1u);
    EXPECT_THROW(Convert(input, true, false), ConversionError);
    EXPECT_THROW(Convert(input, false, true), ConversionError);
}

TEST(ConvertTrackFile, ErrorsNameFileAndLineAndKeepEarlierLines) {
    const std::string two = kOrigin + "32.0853,34.7818,\"B\"\r\n";
    const std::string farNorth = "18000,35.21206,\"N\"\r\n";
    const std::string farSouth = "-18000,35.21206,\"S\"\r\n";
    struct Case {
        const char* name;
        std::string input;
        bool grid, reduce;
        int line;
        const char* why;
        std::size_t linesKept;
    };
    const Case cases[] = {
        {"unreadable record", two + "31.7,35.2\r\n", true, false, 3, "not followed by a comma", 2},
        {"unreadable record, lat/lon", two + "31.7,,\"x\"\r\n", false, false, 3,
         "longitude is not a number", 2},
        {"unreadable record, reduced", two + "x\r\n", true, true, 3, "latitude", 1},
        {"projection overflow", two + "31.7," + Huge(100) + ",\"x\"\r\n", true, false, 3,
         "out of range", 2},
        {"northing beyond 32 bits", kOrigin + "30000,35.21206,\"x\"\r\n", true, false, 2,
         "northing does not fit 32 bits", 1},
        {"step beyond 32 bits", kOrigin + farNorth + farSouth, false, true, 3, "32 bits", 1},
        {"packed value overflows", kOrigin + Huge(305) + ",0,\"x\"\r\n", false, false, 2,
         "out of range", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string in = dir.Path("ts7");
        const std::string out = dir.Path("out.txt");
        Write_File(in, c.input);
        try {
            coords::Convert_Track_File(in, out, c.grid, c.reduce, 45);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(in + ", line " + std::to_string(c.line) + ":"),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find(c.why), std::string::npos) << message;
        }
        const std::string written = Read_File(out);
        EXPECT_EQ(Lines_Of(written).size(), c.linesKept);
        EXPECT_EQ(written.substr(written.size() - 2), "\r\n");  // whole lines only
    }
}

TEST(ConvertTrackFile, FileErrorsNameTheFile) {
    TempDir dir;
    const std::string in = dir.Path("ts2");
    Write_File(in, kOrigin);
    struct Case {
        const char* name;
        std::string input, output, mentions;
    };
    const Case cases[] = {
        {"missing input", dir.Path("absent"), dir.Path("out1.txt"), dir.Path("absent")},
        {"output in a missing folder", in, dir.Path("no/such/out.txt"),
         dir.Path("no/such/out.txt")},
        {"output is a folder", in, dir.Path(""), dir.Path("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            coords::Convert_Track_File(c.input, c.output, true, false, 45);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
    }
    // A missing input leaves the output alone.
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out1.txt")));
}

TEST(ConvertTrackFile, FullDiskIsAnError) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    TempDir dir;
    Write_File(dir.Path("ts3"), kOrigin + kOrigin);
    try {
        coords::Convert_Track_File(dir.Path("ts3"), "/dev/full", true, false, 45);
        FAIL() << "a full disk went unnoticed";
    } catch (const ConversionError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot write the output file /dev/full"),
                  std::string::npos)
            << e.what();
    }
}

TEST(ConvertTrackFile, ReplacesAnExistingOutput) {
    TempDir dir;
    Write_File(dir.Path("ts4"), kOrigin);
    Write_File(dir.Path("out.txt"), std::string(10000, 'z'));
    coords::Convert_Track_File(dir.Path("ts4"), dir.Path("out.txt"), true, false, 45);
    EXPECT_EQ(Read_File(dir.Path("out.txt")), kGridOrigin);
}

}  // namespace
