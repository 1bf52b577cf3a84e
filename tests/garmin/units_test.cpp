// Receiver times and semicircles at their boundaries, from the table in units.txt:
//   time SECONDS TEXT   each the other's form (SECONDS of 4294967295 only formats)
//   refuse TEXT         not a time the field can carry
//   semi DEGREES SEMICIRCLES
#include <gtest/gtest.h>

#include <sstream>

#include "garmin/units.h"
#include "tests/support/case_table.h"

namespace {

TEST(Units, TableRows) {
    const auto rows = testkit::tableLines(UNITS_TABLE);
    EXPECT_GT(rows.size(), 20u);
    for (const std::string& line : rows) {
        std::istringstream row(line);
        std::string kind, a, b;
        row >> kind >> a >> b;
        if (kind == "time") {
            const auto seconds = static_cast<std::uint32_t>(std::stoul(a));
            EXPECT_EQ(garmin::Format_Garmin_Time(seconds), b) << line;
            if (seconds != garmin::kNoTime) {
                EXPECT_EQ(garmin::Parse_Garmin_Time(b), seconds) << line;
            }
        } else if (kind == "refuse") {
            EXPECT_EQ(garmin::Parse_Garmin_Time(line.substr(7)), garmin::kNoTime) << line;
        } else if (kind == "semi") {
            EXPECT_EQ(garmin::Degrees_To_Semicircles(std::strtod(a.c_str(), nullptr)), std::stol(b))
                << line;
        } else {
            ADD_FAILURE() << "unknown row: " << line;
        }
    }
}

}  // namespace
