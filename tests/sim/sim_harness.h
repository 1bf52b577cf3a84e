// Test harness: runs the built kelvaron-sim and plays the host through the pseudo-terminal
// it prints, with a small frame decoder of the host's own.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simtest {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// A running kelvaron-sim; killed on destruction if still running.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& device() const { return device_; }
    const std::string& first_line() const { return first_line_; }
    // Waits for the exit status (-1 when it did not exit in time).
    int wait_exit(std::chrono::milliseconds limit = 5000ms);
    void terminate();
    std::string stderr_text() const;

  private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string device_;
    std::string first_line_;
    std::string stderr_path_;
};

// The host's end of the line, in raw mode.
class HostPort {
  public:
    explicit HostPort(const std::string& path);
    ~HostPort();
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    void write(const Bytes& bytes);
    void write(const std::string& text);
    // Everything that arrives within `limit` (returns early once `until_text` has arrived).
    std::string read_text(std::chrono::milliseconds limit, const std::string& until_text = {});
    // Reads until a whole frame is there; nullopt when none arrives within `limit`.
    struct Frame {
        std::uint8_t id = 0;
        Bytes data;
        Bytes wire;
        bool checksum_ok = false;
    };
    std::optional<Frame> read_frame(std::chrono::milliseconds limit = 2000ms);

  private:
    bool read_some(std::chrono::milliseconds limit);
    std::optional<Frame> cut_frame();

    int fd_ = -1;
    Bytes buffer_;
};

// The host's encoding of a packet, written here independently of the simulator's.
Bytes frame(std::uint8_t id, const Bytes& data);
Bytes ack(std::uint8_t pid);
Bytes nak(std::uint8_t pid);

std::string temp_path(const std::string& name);
std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& text);

std::int32_t le32(const Bytes& d, std::size_t at);
std::uint16_t le16(const Bytes& d, std::size_t at);
float le_float(const Bytes& d, std::size_t at);

}  // namespace simtest
