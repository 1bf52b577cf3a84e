// Test harness implementation.
#include "sim_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace simtest {

namespace {

std::string read_line(int fd, std::chrono::milliseconds limit) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (line.empty() || line.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char c = 0;
        if (::read(fd, &c, 1) != 1) break;
        line += c;
    }
    return line;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args) {
    static int counter = 0;
    stderr_path_ = temp_path("stderr-" + std::to_string(++counter) + ".txt");
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all{KELVARON_SIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    // For a failure that needs the frames: KELVARON_SIM_TEST_LOGS=dir keeps every run's log.
    if (const char* dir = std::getenv("KELVARON_SIM_TEST_LOGS"); dir != nullptr && !args.empty())
        all.insert(all.end(), {"--log", std::string(dir) + "/sim-" + std::to_string(::getpid()) +
                                            "-" + std::to_string(counter) + ".log"});
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, KELVARON_SIM_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start kelvaron-sim");
    }
    first_line_ = read_line(out[0], 5000ms);
    ::close(out[0]);
    const std::string prefix = "kelvaron-sim: device ";
    if (first_line_.rfind(prefix, 0) == 0) {
        device_ = first_line_.substr(prefix.size());
        device_ = device_.substr(0, device_.find_first_of(" \n"));
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0 && status_ < 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::unlink(stderr_path_.c_str());
}

int SimProcess::wait_exit(std::chrono::milliseconds limit) {
    if (status_ >= 0) return status_;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int st = 0;
        if (::waitpid(pid_, &st, WNOHANG) == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            return status_;
        }
        std::this_thread::sleep_for(5ms);
    }
    return -1;
}

void SimProcess::terminate() {
    if (pid_ > 0 && status_ < 0) ::kill(pid_, SIGTERM);
}

std::string SimProcess::stderr_text() const {
    return read_file(stderr_path_);
}

HostPort::HostPort(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    tcsetattr(fd_, TCSANOW, &t);
}

HostPort::~HostPort() {
    if (fd_ >= 0) ::close(fd_);
}

void HostPort::write(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) done += static_cast<std::size_t>(n);
    }
}

void HostPort::write(const std::string& text) {
    write(Bytes(text.begin(), text.end()));
}

bool HostPort::read_some(std::chrono::milliseconds limit) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) return false;
    std::uint8_t chunk[4096];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer_.insert(buffer_.end(), chunk, chunk + n);
    return true;
}

std::string HostPort::read_text(std::chrono::milliseconds limit, const std::string& until_text) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const std::string text(buffer_.begin(), buffer_.end());
        if (!until_text.empty() && text.find(until_text) != std::string::npos) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        read_some(left);
    }
    std::string text(buffer_.begin(), buffer_.end());
    buffer_.clear();
    return text;
}

std::optional<HostPort::Frame> HostPort::cut_frame() {
    std::size_t start = 0;
    while (start < buffer_.size() && buffer_[start] != 16) ++start;
    for (std::size_t i = start + 2; i + 1 < buffer_.size(); ++i) {
        if (buffer_[i] != 16) continue;
        if (buffer_[i + 1] == 16) {
            ++i;
            continue;
        }
        if (buffer_[i + 1] != 3) continue;
        Frame f;
        f.wire.assign(buffer_.begin() + static_cast<long>(start),
                      buffer_.begin() + static_cast<long>(i + 2));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(i + 2));
        f.id = f.wire[1];
        Bytes body;
        for (std::size_t k = 2; k + 2 < f.wire.size(); ++k) {
            body.push_back(f.wire[k]);
            if (f.wire[k] == 16) ++k;
        }
        unsigned sum = f.id;
        for (auto b : body) sum += b;
        f.checksum_ok = body.size() >= 2 && (sum & 0xFF) == 0 && body[0] == body.size() - 2;
        if (body.size() >= 2) f.data.assign(body.begin() + 1, body.end() - 1);
        return f;
    }
    return std::nullopt;
}

std::optional<HostPort::Frame> HostPort::read_frame(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (auto f = cut_frame()) return f;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !read_some(left)) {
            if (auto f = cut_frame()) return f;
            return std::nullopt;
        }
    }
}

Bytes frame(std::uint8_t id, const Bytes& data) {
    Bytes body{static_cast<std::uint8_t>(data.size())};
    body.insert(body.end(), data.begin(), data.end());
    unsigned sum = id;
    for (auto b : body) sum += b;
    body.push_back(static_cast<std::uint8_t>((256 - sum % 256) % 256));
    Bytes wire{16, id};
    for (auto b : body) {
        wire.push_back(b);
        if (b == 16) wire.push_back(16);
    }
    wire.push_back(16);
    wire.push_back(3);
    return wire;
}

Bytes ack(std::uint8_t pid) {
    return frame(6, {pid, 0});
}
Bytes nak(std::uint8_t pid) {
    return frame(21, {pid, 0});
}

std::string temp_path(const std::string& name) {
    return (std::ostringstream() << "/tmp/kelvaron-sim-test-" << ::getpid() << "-" << name).str();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::int32_t le32(const Bytes& d, std::size_t at) {
    if (at + 4 > d.size()) return 0;
    return static_cast<std::int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 |
                                     static_cast<std::uint32_t>(d[at + 3]) << 24);
}

std::uint16_t le16(const Bytes& d, std::size_t at) {
    if (at + 2 > d.size()) return 0;
    return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

float le_float(const Bytes& d, std::size_t at) {
    const std::uint32_t bits = static_cast<std::uint32_t>(le32(d, at));
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace simtest
