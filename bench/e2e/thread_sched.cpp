#include "bench/e2e/thread_sched.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace kelvaron_bench {

ThreadSched::ThreadSched(pid_t tid) {
    open(("/proc/self/task/" + std::to_string(tid) + "/schedstat").c_str());
}

ThreadSched ThreadSched::ofProcess(pid_t pid) {
    ThreadSched s;
    s.open(("/proc/" + std::to_string(pid) + "/schedstat").c_str());
    return s;
}

ThreadSched::ThreadSched(ThreadSched&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

void ThreadSched::open(const char* path) {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
}

ThreadSched::~ThreadSched() {
    if (fd_ >= 0) ::close(fd_);
}

SchedTimes ThreadSched::read() const {
    if (fd_ < 0) return {};
    char text[128];
    const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
    if (n <= 0) return {};
    text[n] = '\0';
    long long cpu = 0;
    long long wait = 0;
    if (std::sscanf(text, "%lld %lld", &cpu, &wait) != 2) return {};
    return {cpu, wait};
}

pid_t childRunning(const char* program) {
    // Children are listed by the thread that started them; QProcess starts them from
    // the main thread.
    std::ifstream children("/proc/self/task/" + std::to_string(::getpid()) + "/children");
    long pid = 0;
    while (children >> pid) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == program) return static_cast<pid_t>(pid);
    }
    return 0;
}

}  // namespace kelvaron_bench
