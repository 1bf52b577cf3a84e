// The temporary point file, from data/temp_point_files.txt: what it stores, where segments
// and tracks begin, and the elevations beside it.
#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstring>
#include <sstream>

#include "download/temp_point_file.h"
#include "tests/download/writer_rows.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"
#include "trackfile/point_file.h"

namespace {

using testkit::join;

// "3+@200": the point of index 3, beginning a segment, 200 m up.
seams::Point pointOf(const std::string& step) {
    seams::Point p;
    p.lat = 31 + std::stoi(step) / 1000.0;
    p.lon = 35;
    p.newSegment = step.find('+') != std::string::npos;
    if (const auto at = step.find('@'); at != std::string::npos)
        p.elevation = std::stof(step.substr(at + 1));
    return p;
}

std::string storedPoints(const std::string& file) {
    std::vector<std::string> indexes;
    if (testkit::readFile(file).empty()) return {};
    trackfile::PointFileReader reader(file);
    for (trackfile::PointRecord r; reader.next(r);)
        indexes.push_back(std::to_string(std::lround((r.lat - 31) * 1000)));
    return join(indexes);
}

std::string elevations(const QString& file) {
    if (file.isEmpty()) return {};
    const std::string bytes = testkit::readFile(file.toStdString());
    std::vector<std::string> values;
    for (std::size_t at = 0; at + sizeof(float) <= bytes.size(); at += sizeof(float)) {
        float e;
        std::memcpy(&e, bytes.data() + at, sizeof e);
        std::ostringstream text;
        text << e;
        values.push_back(std::isnan(e) ? "nan" : text.str());
    }
    return join(values);
}

TEST(TempPointFile, Rows) {
    for (const std::string& row : testkit::tableLines(DOWNLOAD_TEST_DATA "/temp_point_files.txt")) {
        const std::vector<std::string> c = testkit::cells(row);
        ASSERT_GE(c.size(), 7u) << row;
        testkit::TempDir dir;
        std::vector<std::string> failures;
        app::TempPointFile file(
            [&](const app::WriterFailure& f) { failures.push_back(testkit::kindName(f.kind)); });
        const bool gpx = c[1].find("gpx") != std::string::npos;
        const std::string folder = c[1].find("nowhere") != std::string::npos ? "none/" : "";
        int opened = 0;
        const auto open = [&] {
            file.open(QString::fromStdString(dir.path(folder + std::to_string(++opened))), gpx);
        };
        open();
        std::istringstream steps(c[2]);
        for (std::string s; steps >> s;) {
            if (s.starts_with('-'))
                file.leaveOut(s.find('+') != std::string::npos);
            else if (s.starts_with("t:"))
                file.startTrack(s.substr(2));
            else if (s == "/" && file.close())
                open();
            else if (s != "/")
                file.append(pointOf(s), c[1].find("split") == std::string::npos);
        }
        file.close();
        const app::PointFileParts parts = file.parts("out");
        std::vector<std::string> segments, tracks;
        for (const auto line : parts.segmentStarts) segments.push_back(std::to_string(line));
        for (const auto& t : parts.trackStarts)
            tracks.push_back(std::to_string(t.line) + ":" + t.name);
        EXPECT_EQ(storedPoints(parts.pointFile.toStdString()), c[3]) << row;
        EXPECT_EQ(join(segments), c[4]) << row;
        EXPECT_EQ(join(tracks), c[5]) << row;
        EXPECT_EQ(elevations(parts.elevationsFile), c[6]) << row;
        EXPECT_EQ(join(failures), c.size() > 7 ? c[7] : "") << row;
    }
}

}  // namespace
