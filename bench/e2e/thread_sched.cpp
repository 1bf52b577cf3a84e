#include "bench/e2e/thread_sched.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace kelvaron_bench {

Thread_Sched::Thread_Sched(pid_t tid) {
    open(("/proc/self/task/" + std::to_string(tid) + "/schedstat").c_str());
}

Thread_Sched Thread_Sched::Of_Process(pid_t pid) {
    Thread_Sched s;
    s.open(("/proc/" + std::to_string(pid) + "/schedstat").c_str());
    return s;
}

Thread_Sched::Thread_Sched(Thread_Sched&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

void Thread_Sched::open(const char* path) {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
}

Thread_Sched::~Thread_Sched() {
    if (fd_ >= 0) ::close(fd_);
}

Sched_Times Thread_Sched::read() const {
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

pid_t Child_Running(const char* program) {
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
