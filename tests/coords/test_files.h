// Scratch files for the coords tests: a private directory removed at the end of each
// test, whole-file reads and writes, and track points placed on chosen grid metres.
#pragma once

#include <string>
#include <vector>

namespace coords_test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

void Write_File(const std::string& path, const std::string& bytes);
std::string Read_File(const std::string& path);

// The lines of a file, each without its CR LF.
std::vector<std::string> Lines_Of(const std::string& bytes);

struct GeoPoint {
    double lat;
    double lon;
};

// A latitude and longitude that project to the grid origin moved `east` and `north`
// metres (found by Newton steps on the forward projection, to far below a millimetre).
GeoPoint Point_On_Grid(double east, double north);

}  // namespace coords_test
