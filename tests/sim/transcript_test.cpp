// kelvaron-sim driven through a real pseudo-terminal by the transcripts in data/*.session,
// one test each. A transcript is a list of lines:
//   args A...    start the simulator ("@name" is data/name, "@dump" a file to hold --dump-track)
//   host> HEX    the host writes these bytes          text> TEXT   ... this text and CR LF
//   sim>  HEX    the simulator must send these next   text< TEXT   ... this text and CR LF
//   quiet MS     nothing arrives for MS milliseconds  exit N [MS]  it ends with N (within MS; 5 s)
//   stderr TEXT  its standard error holds TEXT        dump LINE    a line of the --dump-track file
//   baud N       the host sets its end of the line to N bit/s
//   close        the host closes its end of the line
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "tests/support/case_table.h"
#include "tests/support/garmin_frames.h"
#include "tests/support/pty.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The simulator started with `args`, its standard error in `errorFile`; killed if still running.
class SimProcess {
  public:
    SimProcess(std::vector<std::string> args, const std::string& errorFile) {
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT, 0600);
        args.insert(args.begin(), KELVARON_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, KELVARON_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        std::string line;
        testkit::readUntil(out[0], line, 5s,
                           [](const std::string& s) { return s.find('\n') != s.npos; });
        ::close(out[0]);
        const std::string prefix = "kelvaron-sim: device ";
        if (line.rfind(prefix, 0) == 0)
            device_ = line.substr(prefix.size(),
                                  line.find_first_of(" \n", prefix.size()) - prefix.size());
    }
    ~SimProcess() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& device() const { return device_; }
    int exitStatus(int withinMs = 5000) {
        for (int i = 0; i < withinMs / 10 && status_ < 0 && pid_ > 0; ++i) {
            int st = 0;
            if (::waitpid(pid_, &st, WNOHANG) == pid_)
                status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128;
            else
                std::this_thread::sleep_for(10ms);
        }
        return status_;
    }

  private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string device_;
};

void replay(const fs::path& file) {
    testkit::TempDir dir;
    const std::string dumpPath = dir.path("dump"), errorPath = dir.path("stderr");
    std::unique_ptr<SimProcess> sim;
    int port = -1;
    std::string arrived, dump, line;
    bool dumped = false;
    std::ifstream in(file);
    for (int number = 1; std::getline(in, line); ++number) {
        SCOPED_TRACE(file.filename().string() + ":" + std::to_string(number));
        std::istringstream words(line);
        std::string op, rest;
        words >> op;
        std::getline(words >> std::ws, rest);
        rest = rest.substr(0, rest.find("  #"));
        if (op == "args") {
            std::vector<std::string> args;
            std::istringstream list(rest);
            for (std::string a; list >> a;) {
                dumped = dumped || a == "@dump";
                args.push_back(a == "@dump"  ? dumpPath
                               : a[0] == '@' ? std::string(KELVARON_SIM_DATA "/") + a.substr(1)
                                             : a);
            }
            sim = std::make_unique<SimProcess>(args, errorPath);
            if (!sim->device().empty()) port = testkit::openRawTerminal(sim->device());
        } else if (op == "host>" || op == "text>") {
            ASSERT_TRUE(
                testkit::writeAll(port, op == "host>" ? testkit::fromHex(rest) : rest + "\r\n"));
        } else if (op == "sim>" || op == "text<") {
            const std::string want = op == "sim>" ? testkit::fromHex(rest) : rest + "\r\n";
            testkit::readUntil(port, arrived, 3s,
                               [&](const std::string& b) { return b.size() >= want.size(); });
            const std::string got = arrived.substr(0, want.size());
            arrived.erase(0, got.size());
            if (op == "sim>")
                EXPECT_EQ(testkit::toHex(got), testkit::toHex(want));
            else
                EXPECT_EQ(got, want);
        } else if (op == "quiet") {
            testkit::readUntil(port, arrived, std::chrono::milliseconds(std::stoi(rest)),
                               [](const std::string& b) { return !b.empty(); });
            EXPECT_EQ(testkit::toHex(arrived), "");
        } else if (op == "baud") {
            termios t{};
            ASSERT_EQ(::tcgetattr(port, &t), 0);
            const speed_t code = rest == "115200" ? B115200 : rest == "57600" ? B57600 : B9600;
            ::cfsetispeed(&t, code);
            ::cfsetospeed(&t, code);
            ASSERT_EQ(::tcsetattr(port, TCSANOW, &t), 0);
        } else if (op == "exit") {
            std::istringstream parts(rest);
            int status = 0, ms = 5000;
            parts >> status >> ms;
            EXPECT_EQ(sim->exitStatus(ms), status);
        } else if (op == "close") {
            ::close(port);
            port = -1;
        } else if (op == "stderr") {
            EXPECT_NE(testkit::readFile(errorPath).find(rest), std::string::npos)
                << testkit::readFile(errorPath);
        } else if (op == "dump") {
            dump += rest + "\r\n";
        } else {
            ASSERT_TRUE(op.empty() || op[0] == '#') << "unknown line: " << line;
        }
    }
    if (port >= 0) ::close(port);
    if (dumped) {
        EXPECT_EQ(testkit::readFile(dumpPath), dump);
    }
}

class SimSession : public ::testing::TestWithParam<fs::path> {};

TEST_P(SimSession, Replays) {
    replay(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Transcripts, SimSession,
                         ::testing::ValuesIn(testkit::filesIn(KELVARON_SIM_DATA, ".session")),
                         [](const auto& info) { return testkit::caseName(info.param.stem()); });

}  // namespace
