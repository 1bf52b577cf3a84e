// GPX output read back by two readers that share nothing with the writer: Qt's XML parser
// and GPSBabel (through gpsbabel.style). The simulator's sample hike, converted with the new
// grid chosen (which GPX ignores) into a name ending in ".GPX", must give every point of the
// point file in order, to 1e-7 degrees, with its time.
#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <cstdio>
#include <sstream>

#include "coords/convert.h"
#include "tests/support/temp_dir.h"

namespace {

struct Point {
    double lat = 0;
    double lon = 0;
    std::string time;  // as GPX writes it, empty for none
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

std::vector<Point> fromXml(const std::string& gpx) {
    std::vector<Point> points;
    QXmlStreamReader xml(QByteArray::fromStdString(gpx));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto a = xml.attributes();
        if (xml.name() == u"gpx") {
            EXPECT_EQ(xml.namespaceUri(), u"http://www.topografix.com/GPX/1/1");
            EXPECT_EQ(a.value("version"), u"1.1");
        }
        if (xml.name() == u"trkpt")
            points.push_back({a.value("lat").toDouble(), a.value("lon").toDouble(), {}});
        if (xml.name() == u"time") points.back().time = xml.readElementText().toStdString();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return points;
}

std::vector<Point> fromGpsbabel(const std::string& path) {
    std::vector<Point> points;
    const std::string command = "gpsbabel -t -i gpx -f " + path +
                                " -x transform,wpt=trk,del -o xcsv,style=" COORDS_TEST_DATA
                                "/gpsbabel.style -F - 2>&1";
    std::FILE* babel = ::popen(command.c_str(), "r");
    Point p;
    char time[32];
    while (std::fscanf(babel, "%lf,%lf,%31s", &p.lat, &p.lon, time) == 3) {
        p.time = std::string(time) == "1970-01-01T00:00:00Z" ? "" : time;  // its "no time"
        points.push_back(p);
    }
    ::pclose(babel);
    return points;
}

TEST(GpxOutput, ReadBackByAnXmlParserAndByGpsbabel) {
    const testkit::TempDir dir;
    const std::string points = testkit::readFile(COORDS_TEST_DATA "/fixtures/sample_hike/points");
    testkit::writeFile(dir.path("ts1"), points);
    coords::Convert_Track_File(dir.path("ts1"), dir.path("hike.GPX"),
                               {coords::CoordSystem::IsraeliNew});
    const std::vector<Point> want = fromPointFile(points);
    const bool babel = std::system("command -v gpsbabel >/dev/null") == 0;
    for (const auto& [reader, got] :
         {std::pair{"Qt", fromXml(testkit::readFile(dir.path("hike.GPX")))},
          std::pair{"GPSBabel", babel ? fromGpsbabel(dir.path("hike.GPX")) : want}}) {
        ASSERT_EQ(got.size(), want.size()) << reader;
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(got[i].lat, want[i].lat, 1e-7) << reader << " point " << i;
            EXPECT_NEAR(got[i].lon, want[i].lon, 1e-7) << reader << " point " << i;
            EXPECT_EQ(got[i].time, want[i].time) << reader << " point " << i;
        }
    }
    if (!babel) GTEST_SKIP() << "no gpsbabel: read by Qt's parser only";
}

}  // namespace
