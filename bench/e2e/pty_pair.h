// A pseudo-terminal for a receiver played inside the benchmark: the master end for the
// receiver, the slave's path for the window's port. The slave stays open here too, so
// the window may open and close its port without hanging the line up.
#pragma once

#include <string>

namespace kelvaron_bench {

class Pty_Pair {
  public:
    Pty_Pair();
    ~Pty_Pair();
    Pty_Pair(const Pty_Pair&) = delete;
    Pty_Pair& operator=(const Pty_Pair&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    // Why it could not be made, when not ok().
    const std::string& failure() const { return failure_; }
    // Non-blocking.
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    bool open();
    bool fail(const char* step);

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string failure_;
};

}  // namespace kelvaron_bench
