// A private scratch directory for targets that go through files: made once per process,
// removed when the process ends.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kelvaron_fuzz {

class ScratchDir {
  public:
    ScratchDir() {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "kelvaron-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        dir_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string Path(const char* name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

inline const ScratchDir& Scratch() {
    static const ScratchDir dir;
    return dir;
}

}  // namespace kelvaron_fuzz
