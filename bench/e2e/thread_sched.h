// What the scheduler did to one thread: its CPU time and its time waiting for a CPU, from
// its schedstat file in /proc. A turnaround that includes a long wait for a CPU says
// more about the machine's other work than about the program.
#pragma once

#include <sys/types.h>
#include <cstdint>

namespace kelvaron_bench {

struct SchedTimes {
    std::int64_t cpuNs = 0;
    std::int64_t waitNs = 0;  // runnable but not running
};

class ThreadSched {
  public:
    // A thread of this process.
    explicit ThreadSched(pid_t tid);
    // The main thread of another process.
    static ThreadSched ofProcess(pid_t pid);
    ThreadSched(ThreadSched&& other) noexcept;
    ~ThreadSched();
    ThreadSched(const ThreadSched&) = delete;
    ThreadSched& operator=(const ThreadSched&) = delete;

    bool ok() const { return fd_ >= 0; }
    // Zeros when the file cannot be read.
    SchedTimes read() const;

  private:
    ThreadSched() = default;
    void open(const char* path);

    int fd_ = -1;
};

// The child process of this one that runs `program` (its name as /proc shows it), or 0.
pid_t childRunning(const char* program);

}  // namespace kelvaron_bench
