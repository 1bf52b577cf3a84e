// The numbered files of a download split at new segments, from data/split_files.txt: where
// each file begins, the files that wait until the end, and an earlier run's files.
#include <gtest/gtest.h>

#include <QDir>
#include <sstream>

#include "download/output_name.h"
#include "download/track_file_writer.h"
#include "qt/system_temp_files.h"
#include "tests/download/writer_rows.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"

namespace {

// Each numbered file of `base` with its points and, for GPX, its track names.
std::string numberedFiles(const QString& base) {
    std::vector<std::string> files;
    for (int n = 1; n <= 9; ++n) {
        const QString name = app::numberedOutputName(base, n);
        const std::string bytes = testkit::readFile(name.toStdString());
        if (bytes.empty()) continue;
        std::string entry = QDir(name).dirName().toStdString() + ":";
        if (!name.endsWith(".gpx")) {
            files.push_back(entry + std::to_string(std::ranges::count(bytes, '\n')));
            continue;
        }
        std::size_t points = 0;
        for (auto at = bytes.find("<trkpt"); at != std::string::npos;
             at = bytes.find("<trkpt", at + 1))
            ++points;
        std::vector<std::string> names;
        for (auto at = bytes.find("<name>"); at != std::string::npos;
             at = bytes.find("<name>", at + 1))
            names.push_back(bytes.substr(at + 6, bytes.find('<', at + 6) - at - 6));
        std::string list;
        for (const std::string& n : names) list += (list.empty() ? "" : ",") + n;
        files.push_back(entry + std::to_string(points) + "[" + list + "]");
    }
    return testkit::join(files);
}

seams::Point pointOf(const std::string& step) {
    seams::Point p;
    p.lat = 31 + std::stoi(step) / 1000.0;
    p.lon = 35;
    p.newSegment = step.ends_with('+');
    return p;
}

TEST(SplitFiles, Rows) {
    for (const std::string& row : testkit::tableLines(DOWNLOAD_TEST_DATA "/split_files.txt")) {
        const std::vector<std::string> c = testkit::cells(row);
        ASSERT_GE(c.size(), 5u) << row;
        testkit::TempDir dir;
        std::istringstream output(c[1]);
        std::string name, option;
        output >> name;
        const QString base = QString::fromStdString(dir.path(name));
        QDir().mkpath(QString::fromStdString(dir.path("tmp")));
        app::SystemTempFiles temp(QString::fromStdString(dir.path("tmp")));
        std::vector<std::string> failures;
        app::TrackFileWriter writer(
            temp,
            [&] {
                return app::FileChoices{base, true, {}, false, "10"};
            },
            [&](const app::WriterFailure& f) { failures.push_back(testkit::kindName(f.kind)); });
        while (output >> option) {
            if (option == "wait") writer.setSplitFilesWait(true);
            std::istringstream there(option.starts_with("there:") ? option.substr(6) : "");
            for (std::string n; std::getline(there, n, ',');)
                testkit::writeFile(app::numberedOutputName(base, std::stoi(n)).toStdString(),
                                   "earlier\n");
        }
        ASSERT_TRUE(writer.startDownload()) << row;
        std::istringstream steps(c[2]);
        for (std::string s; steps >> s;) {
            if (s.starts_with('-'))
                writer.pointWithoutPosition(s.ends_with('+'));
            else if (s.starts_with("t:"))
                writer.startTrack(s.substr(2));
            else
                writer.point(pointOf(s));
        }
        EXPECT_EQ(numberedFiles(base), c[3]) << row;
        EXPECT_TRUE(writer.closePointFile() && writer.finishWaitingFiles() &&
                    writer.Finish_Output_File());
        EXPECT_EQ(numberedFiles(base), c[4]) << row;
        std::vector<std::string> there;
        for (const int n : writer.written().alreadyThere) there.push_back(std::to_string(n));
        EXPECT_EQ(testkit::join(there), c.size() > 5 ? c[5] : "") << row;
        EXPECT_EQ(testkit::join(failures), "") << row;
    }
}

// The overview follows the points the writer stores: a row a file when split, a row a track
// when not, and no line across a segment begun by a point left out.
TEST(SplitFiles, OverviewFollowsThePointsStored) {
    for (const std::string& row : testkit::tableLines(DOWNLOAD_TEST_DATA "/overviews.txt")) {
        const std::vector<std::string> c = testkit::cells(row);
        testkit::TempDir dir;
        QDir().mkpath(QString::fromStdString(dir.path("tmp")));
        app::SystemTempFiles temp(QString::fromStdString(dir.path("tmp")));
        overview::TrackOverview overview;
        const QString base = QString::fromStdString(dir.path("track.txt"));
        app::TrackFileWriter writer(
            temp,
            [&] {
                return app::FileChoices{base, c[0] == "1", {}, false, "10"};
            },
            [](const app::WriterFailure&) {}, &overview);
        ASSERT_TRUE(writer.startDownload()) << row;
        std::istringstream steps(c[1]);
        for (std::string s; steps >> s;) {
            if (s.starts_with('-'))
                writer.pointWithoutPosition(s.ends_with('+'));
            else if (s.starts_with("t:"))
                writer.startTrack(s.substr(2));
            else
                writer.point(pointOf(s));
        }
        EXPECT_FALSE(overview.ended());
        ASSERT_TRUE(writer.closePointFile());
        EXPECT_TRUE(overview.ended());
        std::vector<std::string> rows;
        for (const overview::PartFigures& part : overview.rows())
            rows.push_back(part.name + ":" + std::to_string(part.points));
        EXPECT_EQ(testkit::join(rows), c[2]) << row;
        EXPECT_EQ(std::to_string(overview.picture().segments.size()), c[3]) << row;
    }
}

}  // namespace
