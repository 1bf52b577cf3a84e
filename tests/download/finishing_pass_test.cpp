// The finishing step, from data/finishing_passes.txt: the output made with the choices of
// the moment, the files it was made from deleted or kept, and what it counts.
#include <gtest/gtest.h>

#include <QFile>
#include <limits>
#include <sstream>

#include "download/finishing_pass.h"
#include "tests/download/writer_rows.h"
#include "tests/support/case_table.h"
#include "tests/support/temp_dir.h"
#include "trackfile/point_file.h"

namespace {

app::FileChoices choicesOf(const std::string& cell) {
    app::FileChoices choices;
    std::istringstream words(cell);
    for (std::string w; words >> w;) {
        if (w == "old") choices.system = coords::CoordSystem::IsraeliOld;
        if (w == "new") choices.system = coords::CoordSystem::IsraeliNew;
        if (w == "reduce") choices.reduce = true;
        if (w != "latlon" && w != "old" && w != "new" && w != "reduce")
            choices.deviation = QString::fromStdString(w);
    }
    return choices;
}

// The point file of the "lat,lon" pairs, and an elevation of 100 m for each beside it.
app::PointFileParts writeParts(const testkit::TempDir& dir, const std::vector<std::string>& c) {
    std::string points, elevations;
    std::istringstream pairs(c[3]);
    for (std::string p; pairs >> p;) {
        points +=
            trackfile::formatPointRecord(std::stod(p), std::stod(p.substr(p.find(',') + 1)), "N/A");
        const float metres = 100;
        elevations.append(reinterpret_cast<const char*>(&metres), sizeof metres);
    }
    testkit::writeFile(dir.path("points"), points);
    app::PointFileParts parts{QString::fromStdString(dir.path("points")),
                              QString::fromStdString(dir.path(c[1].substr(0, c[1].find(' ')))),
                              {},
                              {},
                              {}};
    if (c[1].ends_with(" ele")) {
        testkit::writeFile(dir.path("points.ele"), elevations);
        parts.elevationsFile = QString::fromStdString(dir.path("points.ele"));
    }
    return parts;
}

TEST(FinishingPass, Rows) {
    for (const std::string& row : testkit::tableLines(DOWNLOAD_TEST_DATA "/finishing_passes.txt")) {
        const std::vector<std::string> c = testkit::cells(row);
        ASSERT_GE(c.size(), 7u) << row;
        testkit::TempDir dir;
        std::string failure;
        app::FinishingPass pass([&] { return choicesOf(c[2]); },
                                [&](const app::WriterFailure& f) {
                                    failure =
                                        testkit::kindName(f.kind) + (f.pointsKept ? " kept" : "");
                                });
        pass.setKeepPointsOnFailure(c[4] == "keep");
        const app::PointFileParts parts = writeParts(dir, c);
        EXPECT_EQ(pass.Finish_Output_File(parts), c.size() < 8) << row;
        if (pass.outsideGrid()) failure += " outside";
        std::vector<std::string> left;
        if (QFile::exists(parts.pointFile)) left.push_back("point");
        if (QFile::exists(QString::fromStdString(dir.path("points.ele")))) left.push_back("ele");
        if (QFile::exists(parts.output)) left.push_back("output");
        EXPECT_EQ(testkit::join(left), c[5]) << row;
        const app::WrittenFiles& w = pass.written();
        EXPECT_EQ(std::to_string(w.files) + " " + std::to_string(w.pointsRead) + " " +
                      std::to_string(w.pointsWritten),
                  c[6])
            << row;
        EXPECT_EQ(failure, c.size() > 7 ? c[7] : "") << row;
    }
}

}  // namespace
