// GPX output read back by two readers that share nothing with the writer: Qt's XML parser
// and GPSBabel (through gpsbabel.style). The simulator's sample hike, converted with the new
// grid chosen (which GPX ignores) into a name ending in ".GPX", must give every point of the
// point file in order, to 1e-7 degrees, with its time; the named tracks fixture its track
// names and elevations.
#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <cstdio>
#include <sstream>

#include "tests/support/temp_dir.h"
#include "trackfile/convert.h"

namespace {

struct Point {
    double lat = 0;
    double lon = 0;
    std::string time;  // as GPX writes it, empty for none
    std::string ele;   // in metres with two decimals, empty for none
};

struct Read {
    std::vector<Point> points;
    std::vector<std::string> names;  // of the tracks
};

std::vector<Point> fromPointFile(const std::string& bytes) {
    std::vector<Point> points;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        Point p;
        char t[20] = {};
        std::sscanf(line.c_str(), "%lf,%lf,\"%19[^\"]", &p.lat, &p.lon, t);
        p.time = std::string(t, 4) + '-' + std::string(t + 5, 2) + '-' + std::string(t + 8, 2) +
                 'T' + std::string(t + 11, 8) + 'Z';
        points.push_back(p);
    }
    return points;
}

Read fromXml(const std::string& gpx) {
    Read read;
    QXmlStreamReader xml(QByteArray::fromStdString(gpx));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        if (xml.name() == u"gpx") {
            EXPECT_EQ(xml.namespaceUri(), u"http://www.topografix.com/GPX/1/1");
            EXPECT_EQ(a.value("version"), u"1.1");
        }
        if (xml.name() == u"trkpt")
            read.points.push_back({a.value("lat").toDouble(), a.value("lon").toDouble(), {}, {}});
        if (xml.name() == u"time") read.points.back().time = xml.readElementText().toStdString();
        if (xml.name() == u"ele") read.points.back().ele = xml.readElementText().toStdString();
        if (xml.name() == u"name") read.names.push_back(xml.readElementText().toStdString());
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return read;
}

std::string run(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    for (int c; (c = std::fgetc(pipe)) != EOF;) out.push_back(static_cast<char>(c));
    ::pclose(pipe);
    return out;
}

Read fromGpsbabel(const std::string& path) {
    Read read;
    std::istringstream points(run("gpsbabel -t -i gpx -f " + path +
                                  " -x transform,wpt=trk,del -o xcsv,style=" TRACKFILE_TEST_DATA
                                  "/gpsbabel.style -F - 2>&1"));
    for (std::string line; std::getline(points, line);) {
        Point p;
        char time[32] = {};
        char ele[32] = {};
        if (std::sscanf(line.c_str(), "%lf,%lf,%31[^,],%31s", &p.lat, &p.lon, time, ele) < 3)
            continue;
        p.time = std::string(time) == "1970-01-01T00:00:00Z" ? "" : time;  // its "no time"
        p.ele = ele;
        read.points.push_back(p);
    }
    std::istringstream tracks(run("gpsbabel -t -i gpx -f " + path + " -o garmin_txt -F - 2>&1"));
    for (std::string line; std::getline(tracks, line);)
        if (line.starts_with("Track\t"))
            read.names.push_back(line.substr(6, line.find('\t', 6) - 6));
    return read;
}

bool haveGpsbabel() {
    return std::system("command -v gpsbabel >/dev/null") == 0;
}

TEST(GpxOutput, ReadBackByAnXmlParserAndByGpsbabel) {
    const testkit::TempDir dir;
    const std::string points =
        testkit::readFile(TRACKFILE_TEST_DATA "/fixtures/sample_hike/points");
    testkit::writeFile(dir.path("ts1"), points);
    trackfile::Convert_Track_File(dir.path("ts1"), dir.path("hike.GPX"),
                                  {coords::CoordSystem::IsraeliNew});
    const std::vector<Point> want = fromPointFile(points);
    const bool babel = haveGpsbabel();
    for (const auto& [reader, read] :
         {std::pair{"Qt", fromXml(testkit::readFile(dir.path("hike.GPX")))},
          std::pair{"GPSBabel", babel ? fromGpsbabel(dir.path("hike.GPX")) : Read{want, {}}}}) {
        const std::vector<Point>& got = read.points;
        ASSERT_EQ(got.size(), want.size()) << reader;
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(got[i].lat, want[i].lat, 1e-7) << reader << " point " << i;
            EXPECT_NEAR(got[i].lon, want[i].lon, 1e-7) << reader << " point " << i;
            EXPECT_EQ(got[i].time, want[i].time) << reader << " point " << i;
        }
    }
    if (!babel) GTEST_SKIP() << "no gpsbabel: read by Qt's parser only";
}

TEST(GpxOutput, TrackNamesAndElevationsReadBack) {
    const std::string gpx = TRACKFILE_TEST_DATA "/fixtures/named_tracks/gpx.out";
    const std::vector<std::string> names = {"Ein Karem & <Sataf> \"loop\"", "Back home at last"};
    const std::vector<std::string> eles = {"705.50", "", "-12.25", "", "", "800.00"};
    const bool babel = haveGpsbabel();
    for (const Read& read : {fromXml(testkit::readFile(gpx)),
                             babel ? fromGpsbabel(gpx) : fromXml(testkit::readFile(gpx))}) {
        EXPECT_EQ(read.names, names);
        ASSERT_EQ(read.points.size(), eles.size());
        for (std::size_t i = 0; i < eles.size(); ++i) EXPECT_EQ(read.points[i].ele, eles[i]) << i;
    }
}

}  // namespace
