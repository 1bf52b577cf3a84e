// A private temporary folder that removes itself, and whole-file reads and writes.
#pragma once

#include <string>

namespace testkit {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

void writeFile(const std::string& path, const std::string& bytes);
// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace testkit
