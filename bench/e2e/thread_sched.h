// What the scheduler did to one thread: its CPU time and its time waiting for a CPU, from
// its schedstat file in /proc. A turnaround that includes a long wait for a CPU says
// more about the machine's other work than about the program.
#pragma once

#include <sys/types.h>
#include <cstdint>

namespace kelvaron_bench {

struct Sched_Times {
    std::int64_t cpuNs = 0;
    std::int64_t waitNs = 0;  // runnable but not running
};

class Thread_Sched {
  public:
    // A thread of this process.
    explicit Thread_Sched(pid_t tid);
    // The main thread of another process.
    static Thread_Sched Of_Process(pid_t pid);
    Thread_Sched(Thread_Sched&& other) noexcept;
    ~Thread_Sched();
    Thread_Sched(const Thread_Sched&) = delete;
    Thread_Sched& operator=(const Thread_Sched&) = delete;

    bool ok() const { return fd_ >= 0; }
    // Zeros when the file cannot be read.
    Sched_Times read() const;

  private:
    Thread_Sched() = default;
    void open(const char* path);

    int fd_ = -1;
};

// The child process of this one that runs `program` (its name as /proc shows it), or 0.
pid_t Child_Running(const char* program);

}  // namespace kelvaron_bench
