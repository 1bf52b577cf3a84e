// Replays kept fuzz inputs through a target without libFuzzer, so every build (the plain
// one and the sanitizer one) runs the seed corpus and the regression cases.
// Usage: replay_<target> <file or directory>...  Hidden files (.gitkeep) are skipped.
#include <filesystem>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/case_table.h"
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
        for (const fs::path& file : testkit::filesIn(argv[i], "")) files.push_back(file);
    }
    for (const auto& file : files) {
        std::fprintf(stderr, "replay: %s\n", file.c_str());
        const std::string bytes = testkit::readFile(file);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", files.size());
    return files.empty() ? 1 : 0;
}
