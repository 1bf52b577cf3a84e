// The conversion pass, from data files:
//   fixtures/CASE/points and fixtures/CASE/MODE.out: the output's bytes for that point file,
//     MODE being grid or latlon, then -reduce-DEVIATION and -comma when they apply;
//   errors.txt: inputs the pass refuses, naming the file and the line;
//   values.txt: the numeric procedures at their boundaries.
// KELVARON_REWRITE_FIXTURES=1 writes the .out files afresh after a deliberate change.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "coords/angles.h"
#include "coords/convert.h"
#include "coords/grid.h"
#include "tests/support/convert_oracle.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = COORDS_TEST_DATA;

TEST(ConvertTrackFile, FixtureOutputsByteForByte) {
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kData / "fixtures")) {
        if (entry.path().extension() != ".out") continue;
        const std::string mode = entry.path().stem().string();
        const std::size_t reduceAt = mode.find("-reduce-");
        const int deviation =
            reduceAt == std::string::npos ? 0 : std::stoi(mode.substr(reduceAt + 8));
        const std::string actual = testkit::convertPoints(
            testkit::readFile(entry.path().parent_path() / "points"), mode.starts_with("grid"),
            reduceAt != std::string::npos, deviation, mode.ends_with("-comma") ? ',' : '.');
        if (std::getenv("KELVARON_REWRITE_FIXTURES") != nullptr)
            testkit::writeFile(entry.path(), actual);
        EXPECT_EQ(actual, testkit::readFile(entry.path())) << entry.path();
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

// "{C*N}" stands for N copies of C; "\r" and "\n" for CR and LF.
std::string expand(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\r") == 0 || text.compare(i, 2, "\\n") == 0) {
            out += text[++i] == 'r' ? '\r' : '\n';
        } else if (text[i] == '{') {
            const std::size_t end = text.find('}', i);
            out.append(std::stoul(text.substr(i + 3, end - i - 3)), text[i + 1]);
            i = end;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Rows "MODE|INPUT|LINE|WHY|LINES KEPT"; a LINE of 0 is a file error naming the output.
TEST(ConvertTrackFile, ErrorsNameFileAndLineAndKeepWholeLines) {
    std::ifstream table(kData / "errors.txt");
    int rows = 0;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') continue;
        std::vector<std::string> f;
        for (std::istringstream in(row); f.resize(f.size() + 1), std::getline(in, f.back(), '|');) {
        }
        const testkit::TempDir dir;
        const std::string in = dir.path("ts7");
        const std::string out =
            f[0] == "full" ? "/dev/full" : dir.path(f[0] == "folder" ? "" : "out");
        testkit::writeFile(in, expand(f[1]));
        const std::string where = f[2] == "0" ? out : in + ", line " + f[2] + ":";
        try {
            coords::Convert_Track_File(in, out, f[0].starts_with("grid"), f[0].ends_with("reduce"),
                                       45);
            ADD_FAILURE() << "no error: " << row;
        } catch (const coords::ConversionError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(where), std::string::npos) << message;
            EXPECT_NE(message.find(f[3], message.find(where)), std::string::npos) << message;
        }
        if (f[2] != "0") {
            const std::string kept = testkit::readFile(out);
            EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), std::stoi(f[4])) << row;
            EXPECT_TRUE(kept.empty() || kept.ends_with("\r\n")) << row;
        }
        ++rows;
    }
    EXPECT_GT(rows, 20);
}

// Rows "PROCEDURE ARGUMENTS... = RESULTS..." or "PROCEDURE ARGUMENTS... fails".
TEST(Coords, ValueTableRows) {
    std::ifstream table(kData / "values.txt");
    int rows = 0;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') continue;
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
        ++rows;
    }
    EXPECT_GT(rows, 40);
}

}  // namespace
