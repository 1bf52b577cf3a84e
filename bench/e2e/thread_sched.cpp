#include "bench/e2e/thread_sched.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace kelvaron_bench {

Thread_Sched::Thread_Sched(pid_t tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/schedstat";
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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

}  // namespace kelvaron_bench
