#include "coords/output_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "coords/angles.h"
#include "coords/arith_error.h"
#include "coords/decimal_text.h"

namespace {

std::string Decimal(double v, char separator = '.', bool zeroBeforePoint = false) {
    char buf[coords::kMaxDecimalChars];
    return std::string(buf, coords::formatDecimal(v, separator, zeroBeforePoint, buf));
}

TEST(DecimalText, ShortestFormWithFifteenSignificantDigits) {
    struct Case {
        double v;
        const char* text;
    };
    const Case cases[] = {
        {170251, "170251"},
        {-1126868, "-1126868"},
        {0.0, "0"},
        {-0.0, "0"},
        {0.36, ".36"},
        {-0.5, "-.5"},
        {314402.72399999999, "314402.724"},
        {0.1 + 0.2, ".3"},
        {1234567.891234567, "1234567.89123457"},
        {123456789012345678.0, "123456789012346000"},
        {999999999999999.9, "1000000000000000"},
        {0.99999999999999994, "1"},
        {1.5e20, "150000000000000000000"},
        {1e-20, ".00000000000000000001"},
        {-1.25e-7, "-.000000125"},
        {100.5, "100.5"},
        {2147483647.0, "2147483647"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Decimal(c.v), c.text);
    }
    EXPECT_EQ(Decimal(-314402.724, ','), "-314402,724");
    EXPECT_EQ(Decimal(0.36, '.', true), "0.36");
    EXPECT_EQ(Decimal(-0.36, '.', true), "-0.36");
}

TEST(DecimalText, LongestValuesFitTheBuffer) {
    const double extremes[] = {
        std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
        std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min()};
    for (double v : extremes) {
        SCOPED_TRACE(v);
        const std::string text = Decimal(v, '.', true);
        EXPECT_GT(text.size(), 300u);
        EXPECT_EQ(text.find('e'), std::string::npos);
        char fifteen[40];
        std::snprintf(fifteen, sizeof fifteen, "%.14e", v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), std::strtod(fifteen, nullptr));
    }
    EXPECT_THROW(Decimal(std::numeric_limits<double>::quiet_NaN()), coords::ArithmeticError);
}

TEST(OutputLine, NumbersInFourteenCharacterZones) {
    struct Case {
        const char* name;
        double first, second;
        const char* text;
        char separator;
        const char* line;
    };
    const Case cases[] = {
        {"grid origin", 170251, 1126868, "N/A", '.',
         " 170251 "
         "      "
         " 1126868 "
         "     "
         "N/A\r\n"},
        {"packed origin", coords::Deg_To_DMS(31.73409), coords::Deg_To_DMS(35.21206), "N/A", '.',
         " 314402.724 "
         "  "
         " 351243.416 "
         "  "
         "N/A\r\n"},
        {"comma separator", coords::Deg_To_DMS(31.73409), coords::Deg_To_DMS(35.21206),
         "2024/05/06-12:34:56", ',',
         " 314402,724 "
         "  "
         " 351243,416 "
         "  "
         "2024/05/06-12:34:56\r\n"},
        {"below one", 0.36, -0.5, "t", '.', " .36          -.5           t\r\n"},
        {"negative", -170251, -5, "t", '.', "-170251       -5            t\r\n"},
        {"13 characters", 12345678901, 1, "t", '.', " 12345678901   1            t\r\n"},
        {"exactly 14 characters", 123456789012, 1, "t", '.', " 123456789012  1            t\r\n"},
        {"15 characters", 1234567890123, 1, "t", '.',
         " 1234567890123               1            t\r\n"},
        {"second fills its zone", 1, -1234567890.5, "t", '.', " 1            -1234567890.5 t\r\n"},
        {"empty text", 1, 2, "", '.', " 1             2            \r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out = "kept";
        coords::appendOutputLine(out, c.first, c.second, c.text, c.separator);
        EXPECT_EQ(out, std::string("kept") + c.line);
    }
}

}  // namespace
