// The conversion pass, from data files:
//   fixtures/CASE/points and fixtures/CASE/MODE.out: the output's bytes for that point file,
//     MODE as optionsFor below reads it;
//   errors.txt: inputs the pass refuses, naming the file and the line;
//   outputs.txt: where a finished output lands, and with which mode;
//   itm_points.txt: the new grid against cs2cs;
//   reductions.txt: the points dense tracks keep when reduced.
// KELVARON_REWRITE_FIXTURES=1 writes the .out files afresh after a deliberate change.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "coords/angles.h"
#include "coords/grid.h"
#include "tests/support/case_table.h"
#include "tests/support/convert_oracle.h"
#include "tests/support/temp_dir.h"
#include "trackfile/convert.h"

namespace {

namespace fs = std::filesystem;
const fs::path kData = TRACKFILE_TEST_DATA;

// MODE: latlon, grid (the old grid), itm (the new one) or gpx, then -reduce-DEVIATION
// (45 when "-reduce" ends it) and -comma when they apply; -segA_B_... before them names
// the lines that begin new segments.
trackfile::ConvertOptions optionsFor(const std::string& mode) {
    trackfile::ConvertOptions o;
    if (mode.starts_with("grid")) o.system = coords::CoordSystem::IsraeliOld;
    if (mode.starts_with("itm")) o.system = coords::CoordSystem::IsraeliNew;
    const std::size_t at = mode.find("-reduce");
    o.reduce = at != std::string::npos;
    if (o.reduce)
        o.deviation = std::int16_t(at + 8 < mode.size() ? std::stoi(mode.substr(at + 8)) : 45);
    if (mode.ends_with("-comma")) o.decimalSeparator = ',';
    if (const std::size_t seg = mode.find("-seg"); seg != std::string::npos)
        for (std::istringstream in(mode.substr(seg + 4)); in.peek() != '-' && in;) {
            std::uint64_t line = 0;
            if (in >> line) o.segmentStarts.push_back(line);
            in.ignore(1, '_');
        }
    return o;
}
// A fixture's "extras" file: tracks with their names and points' elevations, as a download
// hands them to the pass beside the point file (the elevations as a file in `dir`).
void addExtras(const fs::path& folder, trackfile::ConvertOptions& o, const testkit::TempDir& dir) {
    if (!fs::exists(folder / "extras")) return;
    std::vector<float> elevations;
    for (const std::string& row : testkit::tableLines((folder / "extras").string())) {
        const std::vector<std::string> f = testkit::cells(row, ' ');
        const std::uint64_t line = std::stoull(f.at(1));
        if (f[0] == "track") {
            o.trackStarts.push_back(
                {line, testkit::unescape(row.substr(f[0].size() + f[1].size() + 2))});
        } else {
            elevations.resize(line, NAN);
            elevations[line - 1] = std::stof(f.at(2));
        }
    }
    o.elevationsFile = dir.path("elevations");
    testkit::writeFile(o.elevationsFile,
                       std::string(reinterpret_cast<const char*>(elevations.data()),
                                   elevations.size() * sizeof(float)));
}
std::string suffixFor(const std::string& mode) {
    return mode.starts_with("gpx") ? ".gpx" : ".out";
}

TEST(ConvertTrackFile, FixtureOutputsByteForByte) {
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kData / "fixtures")) {
        if (entry.path().extension() != ".out") continue;
        const std::string mode = entry.path().stem().string();
        trackfile::ConvertOptions options = optionsFor(mode);
        const testkit::TempDir dir;
        addExtras(entry.path().parent_path(), options, dir);
        const std::string points = testkit::readFile(entry.path().parent_path() / "points");
        trackfile::ConvertCounts counts;
        const std::string actual =
            testkit::convertPoints(points, options, suffixFor(mode), &counts);
        if (std::getenv("KELVARON_REWRITE_FIXTURES") != nullptr)
            testkit::writeFile(entry.path(), actual);
        EXPECT_EQ(actual, testkit::readFile(entry.path())) << entry.path();
        // The counts the end messages give: every line read, and every point written.
        const auto lines = [](const std::string& s, const char* what) {
            std::size_t n = 0;
            for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(counts.pointsRead, lines(points, "\n")) << entry.path();
        EXPECT_EQ(counts.pointsWritten, lines(actual, mode.starts_with("gpx") ? "<trkpt" : "\n"))
            << entry.path();
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

// Rows "MODE|INPUT|LINE|WHY"; a LINE of 0 is a file error naming the output.
TEST(ConvertTrackFile, ErrorsNameFileAndLineAndLeaveTheOutputAsItWas) {
    const auto rows = testkit::tableLines(kData / "errors.txt");
    EXPECT_GT(rows.size(), 20u);
    for (const std::string& row : rows) {
        const std::vector<std::string> f = testkit::cells(row);
        const testkit::TempDir dir;
        const std::string in = dir.path("ts7");
        const std::string out = f[0] == "full"
                                    ? "/dev/full"
                                    : dir.path(f[0] == "folder" ? "" : "out" + suffixFor(f[0]));
        testkit::writeFile(in, testkit::unescape(f[1]));
        if (f[2] != "0") testkit::writeFile(out, "an earlier file\r\n");
        const std::string where = f[2] == "0" ? out : in + ", line " + f[2] + ":";
        try {
            trackfile::Convert_Track_File(in, out, optionsFor(f[0]));
            ADD_FAILURE() << "no error: " << row;
        } catch (const coords::ConversionError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(where), std::string::npos) << message;
            EXPECT_NE(message.find(f[3], message.find(where)), std::string::npos) << message;
            EXPECT_EQ(dynamic_cast<const coords::OutsideGridArea*>(&e) != nullptr,
                      f[3].find("outside the area") != std::string::npos)
                << message;
        }
        if (f[2] != "0") {
            EXPECT_EQ(testkit::readFile(out), "an earlier file\r\n") << row;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path("")), {}), 2) << row;
        }
    }
}

// Rows "CASE|MODE|KEPT" of reductions.txt: the numbers of the points kept, "~1" allowing
// a neighbour.
TEST(ConvertTrackFile, ReductionKeepsTheTurnsOfDenseTracks) {
    for (const std::string& row : testkit::tableLines(kData / "reductions.txt")) {
        const std::vector<std::string> f = testkit::cells(row);
        const std::vector<std::string> want = testkit::cells(f[2], ' ');
        std::istringstream out(testkit::convertPoints(
            testkit::readFile(kData / "fixtures" / f[0] / "points"), optionsFor(f[1])));
        std::size_t i = 0;
        for (std::string line; std::getline(out, line); ++i) {
            const long got = std::stol(line.substr(line.find_last_of(' ') + 1));
            const long slack = i < want.size() && want[i].ends_with("~1") ? 1 : 0;
            EXPECT_LE(std::labs(got - (i < want.size() ? std::stol(want[i]) : -9)), slack)
                << row << ": point " << got;
        }
        EXPECT_EQ(i, want.size()) << row;
    }
}

// Rows "SETUP|UMASK|MODE" of outputs.txt.
TEST(ConvertTrackFile, OutputReplacesPlantedLinksAndKeepsTheModeOfAFileItReplaces) {
    for (const std::string& row : testkit::tableLines(kData / "outputs.txt")) {
        const std::vector<std::string> f = testkit::cells(row);
        const std::string &setup = f[0], &mask = f[1], &mode = f[2];
        const bool earlier = setup.starts_with("file") || setup.starts_with("theirs");
        if ((setup == "shared" || setup.starts_with("theirs")) && ::geteuid() != 0) continue;
        const testkit::TempDir dir;
        const std::string folder = dir.path(setup == "shared" ? "shared" : ".");
        const std::string in = dir.path("ts1"), out = folder + "/track.txt", target = dir.path("t");
        testkit::writeFile(in, "31.73409,35.21206,\"N/A\"\r\n");
        testkit::writeFile(target, "not yours\n");
        ::chmod(target.c_str(), 0444);
        if (setup == "shared") {
            ::mkdir(folder.c_str(), 01777);
            ::chmod(folder.c_str(), 01777);
            ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
        }
        if (earlier) {
            testkit::writeFile(out, "earlier\n");
            ::chmod(out.c_str(), std::stoi(setup.substr(setup.size() - 3), nullptr, 8));
            if (setup.starts_with("theirs")) {
                ASSERT_EQ(::chown(out.c_str(), 65534, 65534), 0);
            }
        } else if (setup == "fifo") {
            ASSERT_EQ(::mkfifo(out.c_str(), 0666), 0);
        } else if (setup != "plain") {
            ASSERT_EQ(::symlink(target.c_str(), out.c_str()), 0);
        }
        if (setup == "shared") {
            ASSERT_EQ(::lchown(out.c_str(), 65534, 65534), 0);
        }
        const mode_t before = ::umask(static_cast<mode_t>(std::stoi(mask, nullptr, 8)));
        const bool refused = mode == "refused";
        if (refused) {
            EXPECT_THROW(trackfile::Convert_Track_File(in, out, {}), coords::ConversionError);
        } else {
            EXPECT_NO_THROW(trackfile::Convert_Track_File(in, out, {})) << setup;
        }
        ::umask(before);
        struct stat st {};
        ASSERT_EQ(::lstat(out.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << setup;
        EXPECT_EQ(st.st_uid, setup.starts_with("theirs") ? 65534u : ::geteuid()) << setup;
        if (!refused) {
            EXPECT_EQ(st.st_mode & 07777, static_cast<mode_t>(std::stoi(mode, nullptr, 8)))
                << setup;
        }
        EXPECT_TRUE(testkit::readFile(out).starts_with(refused ? "earlier" : " 314402.724"))
            << setup;
        EXPECT_EQ(testkit::readFile(target), "not yours\n") << setup;
        for (const auto& e : fs::recursive_directory_iterator(dir.path("")))
            EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
    }
}

// Rows of itm_points.txt: the points inside as one point file, each output line within half
// a metre of cs2cs run now and of its recorded figures; each point outside refused alone.
TEST(ConvertTrackFile, NewGridAgreesWithCs2cs) {
    const trackfile::ConvertOptions itm{coords::CoordSystem::IsraeliNew};
    const testkit::TempDir dir;
    std::vector<std::vector<std::string>> inside;
    std::string points, cs2csInput;
    for (const std::string& row : testkit::tableLines(kData / "itm_points.txt")) {
        const std::vector<std::string> f = testkit::cells(row);
        const std::string line = f[1] + "," + f[2] + ",\"" + f[0] + "\"\r\n";
        if (f[3] != "outside") {
            inside.push_back(f);
            points += line;
            cs2csInput += f[1] + " " + f[2] + "\n";
            continue;
        }
        testkit::writeFile(dir.path("ts1"), "31.7,35.2,\"N/A\"\r\n" + line);
        try {
            trackfile::Convert_Track_File(dir.path("ts1"), dir.path("out"), itm);
            ADD_FAILURE() << "no error: " << row;
        } catch (const coords::ConversionError& e) {
            EXPECT_NE(std::string(e.what()).find("ts1, line 2: the point lies outside"),
                      std::string::npos)
                << e.what();
        }
    }
    ASSERT_GE(inside.size(), 40u);
    testkit::writeFile(dir.path("cs2cs.in"), cs2csInput);
    const bool live = std::system("command -v cs2cs >/dev/null") == 0;
    std::FILE* cs2cs = ::popen(
        ("cs2cs -f %.6f EPSG:4326 EPSG:2039 <" + dir.path("cs2cs.in") + " 2>&1").c_str(), "r");
    std::istringstream ours(testkit::convertPoints(points, itm));
    for (const auto& f : inside) {
        std::string line;
        std::getline(ours, line);
        double x = 0, y = 0, liveX = 0, liveY = 0;
        std::istringstream(line) >> x >> y;
        EXPECT_LE(std::max(std::fabs(x - std::stod(f[3])), std::fabs(y - std::stod(f[4]))), 0.5)
            << f[0] << " as recorded";
        if (!live) continue;
        EXPECT_EQ(std::fscanf(cs2cs, "%lf %lf %*f", &liveX, &liveY), 2) << f[0];
        EXPECT_LE(std::max(std::fabs(x - liveX), std::fabs(y - liveY)), 0.5) << f[0];
    }
    ::pclose(cs2cs);
    if (!live) GTEST_SKIP() << "no cs2cs: compared with the recorded figures only";
}

}  // namespace
