// The one pseudo-terminal helper of the tests and benchmarks (plain POSIX): a pair whose
// master end plays a receiver and whose slave a program opens as its serial port, and the
// host's side of a device opened by path, both raw, with reads that wait a bounded time.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace testkit {

class PtyPair {
  public:
    // Both ends raw; the master non-blocking. The slave stays open here too, so a program may
    // open and close its port as often as it likes without the line hanging up.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& failure() const { return failure_; }  // why not ok()
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    bool open();

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string failure_;
};

// Opens a terminal device as a host opens its serial port: raw, non-blocking. -1 on failure.
int openRawTerminal(const std::string& path);

// Writes all of `bytes`, waiting while the terminal's buffer is full.
bool writeAll(int fd, std::string_view bytes);

// Appends to `buffer` what arrives within `limit`, returning early (true) once `done(buffer)`
// holds; false when it did not hold in time or the device failed.
bool readUntil(int fd, std::string& buffer, std::chrono::milliseconds limit,
               const std::function<bool(const std::string&)>& done);

}  // namespace testkit
