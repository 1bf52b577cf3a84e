#include "coords/point_file.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "test_files.h"

namespace {

using coords::ConversionError;
using coords_test::TempDir;

TEST(PointRecord, WritersLineForm) {
    struct Case {
        double lat, lon;
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {31.73409, 35.21206, "N/A", "31.73409,35.21206,\"N/A\"\r\n"},
        {-0.5, 1e-7, "2024/05/06-12:34:56", "-0.5,0.0000001,\"2024/05/06-12:34:56\"\r\n"},
        {32.123456789012345, 0.0, "", "32.1234567890123,0,\"\"\r\n"},
        {90, -180, "say \"hi\"", "90,-180,\"say \"hi\"\"\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(coords::formatPointRecord(c.lat, c.lon, c.text), c.line);
    }
}

TEST(PointRecord, WriterRefusesWhatTheReaderWouldRefuse) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(coords::formatPointRecord(nan, 35, "t"), std::invalid_argument);
    EXPECT_THROW(coords::formatPointRecord(31, -inf, "t"), std::invalid_argument);
    EXPECT_THROW(coords::formatPointRecord(std::numeric_limits<double>::max(), 35, "t"),
                 std::invalid_argument);
    EXPECT_THROW(coords::formatPointRecord(31, 35, "a\r\nb"), std::invalid_argument);
    EXPECT_THROW(coords::formatPointRecord(31, 35, "a\nb"), std::invalid_argument);
    EXPECT_THROW(
        coords::formatPointRecord(0.1, 0.2, std::string(coords::kMaxPointLineLength - 11, 'x')),
        std::invalid_argument);
}

TEST(PointFileReader, ReadsBackWhatWasWritten) {
    struct Point {
        double lat, lon;
        std::string text;
    };
    const Point points[] = {
        {31.73409, 35.21206, "N/A"},
        {-0.5, 1e-7, "2024/05/06-12:34:56"},
        {-89.999999999999, 179.5, ""},
        {1e-300, -1e300, "say \"hi\""},
        {std::numeric_limits<double>::denorm_min(), -1.79769313486231e308, "extremes"},
        // The longest line the writer makes is still read.
        {0.1, 0.2, std::string(coords::kMaxPointLineLength - 12, 'x')},
    };
    TempDir dir;
    std::string bytes;
    for (const Point& p : points) bytes += coords::formatPointRecord(p.lat, p.lon, p.text);
    coords_test::Write_File(dir.Path("ts1"), bytes);

    coords::PointFileReader reader(dir.Path("ts1"));
    coords::PointRecord r;
    for (const Point& p : points) {
        ASSERT_TRUE(reader.next(r));
        EXPECT_EQ(r.lat, p.lat);
        EXPECT_EQ(r.lon, p.lon);
        EXPECT_EQ(r.text, p.text);
    }
    EXPECT_FALSE(reader.next(r));
    EXPECT_EQ(reader.lineNumber(), 6u);
}

TEST(PointFileReader, BadLinesNameFileAndLine) {
    const std::string good = "31.7,35.2,\"N/A\"\r\n";
    struct Case {
        std::string bytes;
        int line;
        const char* why;
    };
    const Case cases[] = {
        {"31.7,35.2\r\n", 1, "longitude is not followed by a comma"},
        {good + "x,35.2,\"N/A\"\r\n", 2, "latitude is not a number"},
        {good + good + "31.7,inf,\"N/A\"\r\n", 3, "longitude is not a number"},
        {"nan,35.2,\"N/A\"\r\n", 1, "latitude is not a number"},
        {"+31.7,35.2,\"N/A\"\r\n", 1, "latitude is not a number"},
        {" 31.7,35.2,\"N/A\"\r\n", 1, "latitude is not a number"},
        {"3.17e1,35.2,\"N/A\"\r\n", 1, "latitude is not followed by a comma"},
        {"1" + std::string(400, '0') + ",35.2,\"N/A\"\r\n", 1, "latitude is out of range"},
        {"31.7,35.2,N/A\r\n", 1, "not in double quotes"},
        {"31.7,35.2,\"N/A\r\n", 1, "not in double quotes"},
        {"31.7,35.2,\"\r\n", 1, "not in double quotes"},
        {"31.7,35.2,\"N/A\" \r\n", 1, "not in double quotes"},
        {good + "\r\n", 2, "latitude is not a number"},
        {good + "31.7,35.2,\"N/A\"\n", 2, "does not end in CR LF"},
        {"31.7,35.2,\"N\rA\"\r\n", 1, "stray carriage return"},
        {good + good + "31.7,35.2,\"N/A\"", 3, "last line is not complete"},
        {good + "31.7,35.2,\"" + std::string(5000, 'x') + "\"\r\n", 2, "too long"},
        {std::string(3u << 20, '7'), 1, "too long"},  // no line end at all
    };
    TempDir dir;
    const std::string path = dir.Path("ts-bad");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        coords_test::Write_File(path, c.bytes);
        coords::PointFileReader reader(path);
        coords::PointRecord r;
        try {
            for (int i = 1; i < c.line; ++i) ASSERT_TRUE(reader.next(r));
            reader.next(r);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(path + ", line " + std::to_string(c.line) + ":"),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find(c.why), std::string::npos) << message;
        }
    }
}

}  // namespace
