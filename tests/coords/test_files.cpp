#include "test_files.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "coords/grid.h"

namespace coords_test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "coords-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void Write_File(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string Read_File(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> Lines_Of(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = bytes.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(bytes.substr(from, at - from));
    return lines;
}

GeoPoint Point_On_Grid(double east, double north) {
    constexpr double kLat0 = 31.73409;
    constexpr double kLon0 = 35.21206;
    constexpr double kStep = 1e-7;
    auto project = [&](double lat, double lon, double& x, double& y) {
        coords::Transverse_Mercator(lat, lon, kLat0, kLon0, 1.0, x, y);
    };
    GeoPoint p{kLat0 + north / 111000.0, kLon0 + east / 95000.0};
    for (int i = 0; i < 20; ++i) {
        double x, y, xLat, yLat, xLon, yLon;
        project(p.lat, p.lon, x, y);
        project(p.lat + kStep, p.lon, xLat, yLat);
        project(p.lat, p.lon + kStep, xLon, yLon);
        const double a = (xLat - x) / kStep, b = (xLon - x) / kStep;
        const double c = (yLat - y) / kStep, d = (yLon - y) / kStep;
        const double det = a * d - b * c;
        const double ex = east - x, ey = north - y;
        p.lat += (d * ex - b * ey) / det;
        p.lon += (a * ey - c * ex) / det;
    }
    return p;
}

}  // namespace coords_test
