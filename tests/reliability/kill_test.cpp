// A Garmin download killed in the middle of its transfer: the temporary point file holds
// every point that the window had acknowledged, but for the one it may have been writing.
// The download runs in kelvaron_soak (the real window, serial port and kelvaron-sim), in a
// process group of its own with its temporary folder here, and the whole group gets SIGKILL
// once the simulator's frame log shows enough acknowledged points.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr long kKillAfterPoints = 400;

// Lines of the files under `dir` whose name starts with `prefix` that hold `text`
// (every line when `text` is empty).
long countLines(const fs::path& dir, const std::string& prefix, const std::string& text) {
    long n = 0;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(dir, ec)) {
        if (!e.is_regular_file() || !e.path().filename().string().starts_with(prefix)) continue;
        std::ifstream in(e.path());
        for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    }
    return n;
}

TEST(KilledDownload, KeepsEveryAcknowledgedPoint) {
    char pattern[] = "/tmp/kelvaron-kill-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    ::setenv("TMPDIR", pattern, 1);  // the download's folders go here
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* argv[] = {KELVARON_SOAK_PATH, "garmin", "20000", "1", "0", "120", nullptr};

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);  // the simulator joins the group
    posix_spawnattr_setpgroup(&attr, 0);
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, argv[0], nullptr, &attr, const_cast<char**>(argv), environ), 0);
    posix_spawnattr_destroy(&attr);

    // The window acknowledges a point (ACK 34) before it stores it, and the simulator logs
    // the acknowledgement when the line has carried it: one may be on its way.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (countLines(dir, "sim.log", "# ACK 34") < kKillAfterPoints &&
           std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(-child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    const long acked = countLines(dir, "sim.log", "# ACK 34");
    const long stored = countLines(dir, "ts", "");
    std::printf("killed after %ld acknowledged points: %ld lines in the point file\n", acked,
                stored);
    EXPECT_GE(acked, kKillAfterPoints);
    EXPECT_GE(stored, acked - 1);
    EXPECT_LE(stored, acked + 1);
    fs::remove_all(dir);
}

}  // namespace
