// Replays kept fuzz inputs through a target without libFuzzer, so every build (the plain
// one and the sanitizer one) runs the seed corpus and the regression cases.
// Usage: replay_<target> <file or directory>...  Hidden files (.gitkeep) are skipped.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (fs::is_regular_file(argv[i], ec)) {
            files.emplace_back(argv[i]);
            continue;
        }
        if (!fs::is_directory(argv[i], ec)) {
            std::fprintf(stderr, "replay: %s is neither a file nor a directory\n", argv[i]);
            return 2;
        }
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(argv[i]))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    for (const auto& file : files) {
        std::fprintf(stderr, "replay: %s\n", file.c_str());
        const std::string bytes = testkit::readFile(file);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", files.size());
    return files.empty() ? 1 : 0;
}
