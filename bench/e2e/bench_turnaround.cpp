// Host turnaround of a Garmin track transfer: the time from the last byte of a track
// point frame reaching the pseudo-terminal to the host's acknowledgement leaving it, for
// every point of a 10,000-point transfer. The host is the real window, QSerialPort and
// engine on the Qt main thread; the receiver is a thread of this program on the
// pseudo-terminal's master end (see timed_receiver.h).
//
//   bench_garmin_turnaround [--points N] [--poll]
//
// --poll makes the receiver wait for acknowledgements in poll() instead of reading in a
// tight loop; the wake-up of the receiver thread is then part of every figure. With two
// or more cores the window's thread and the receiver's run on one core each. Beside the
// spread of every point it prints the spread of the points during which neither thread
// waited for a CPU (from the scheduler's own accounting), and the floor: the same exchange
// through a fresh pseudo-terminal answered by a bare thread.
#include <sched.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench/e2e/command_line.h"
#include "bench/e2e/garmin_session.h"
#include "bench/e2e/pty_floor.h"
#include "bench/e2e/timed_receiver.h"
#include "tests/support/pty.h"

namespace {

using namespace kelvaron_bench;

// Nearest-rank percentile of sorted samples, in milliseconds.
double percentileMs(const std::vector<std::int64_t>& sorted, double q) {
    if (sorted.empty()) return 0;
    const auto n = sorted.size();
    auto rank = static_cast<std::size_t>(q * static_cast<double>(n) + 0.999999);
    rank = std::clamp<std::size_t>(rank, 1, n);
    return static_cast<double>(sorted[rank - 1]) / 1e6;
}

void printSpread(const char* what, std::vector<std::int64_t> t) {
    std::sort(t.begin(), t.end());
    std::printf("  %s (%zu points):\n", what, t.size());
    std::printf("    p50 %.3f ms  p90 %.3f ms  p99 %.3f ms  p99.9 %.3f ms  max %.3f ms\n",
                percentileMs(t, 0.50), percentileMs(t, 0.90), percentileMs(t, 0.99),
                percentileMs(t, 0.999), percentileMs(t, 1.0));
}

bool pinToCpu(int cpu) {
    if (std::thread::hardware_concurrency() < 2) return false;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return ::sched_setaffinity(0, sizeof set, &set) == 0;
}

// Waking a thread costs a few microseconds of wait by itself; more than this in one
// exchange means the thread stood behind other work for a CPU.
constexpr std::int64_t kDisturbedWaitNs = 20'000;
constexpr std::int64_t kGoalNs = 300'000;

void printFigures(const TurnaroundRun& run, bool spin) {
    std::vector<std::int64_t> all, calm, hostCpu;
    long over = 0, overWaited = 0;
    for (const PointSample& p : run.points) {
        const std::int64_t waited = p.hostWaitNs + p.receiverWaitNs;
        all.push_back(p.turnaroundNs);
        hostCpu.push_back(p.hostCpuNs);
        if (waited < kDisturbedWaitNs) calm.push_back(p.turnaroundNs);
        if (p.turnaroundNs > kGoalNs) {
            ++over;
            if (waited >= p.turnaroundNs / 2) ++overWaited;
        }
    }
    std::printf("host turnaround, %zu D301 points; the receiver waits by %s\n", all.size(),
                spin ? "reading in a tight loop" : "poll()");
    printSpread("every point", all);
    printSpread("points where neither thread waited 20 us or more for a CPU", calm);
    std::printf(
        "  above 0.3 ms: %ld points, %ld of them with the host or the receiver waiting\n"
        "    for a CPU for at least half of their turnaround\n",
        over, overWaited);
    std::sort(hostCpu.begin(), hostCpu.end());
    std::printf("  CPU time of the window's thread per exchange: p50 %.3f ms  p99 %.3f ms\n",
                percentileMs(hostCpu, 0.5), percentileMs(hostCpu, 0.99));
    std::printf("  refusals %ld, resends %ld, rejected host frames %ld\n", run.refusals,
                run.resends, run.rejectedFrames);
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line(argc, argv, "[--points N] [--poll]");
    const long points = line.numbers("--points", {10000}, 1, 65535).front();
    const bool spin = !line.flag("--poll");
    line.finish();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    testkit::PtyPair pty;
    if (!pty.ok()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", pty.failure().c_str());
        return 1;
    }
    GarminSession session(dir.path(), QString::fromStdString(pty.slavePath()), 115200);
    TimedReceiver receiver(pty.master(), points, spin, ::gettid());
    TurnaroundRun run;
    // One core each, so that the receiver's tight loop never stands between the window's
    // thread and a CPU, and the window never runs in the receiver's place between its
    // write and its clock reading.
    const bool pinned = pinToCpu(0);
    std::thread side([&] {
        if (pinned) pinToCpu(1);
        run = receiver.run();
    });
    double load[1] = {0};
    if (::getloadavg(load, 1) == 1) std::printf("load average at the start: %.2f\n", load[0]);
    const DownloadResult r = session.run(120000 + static_cast<int>(points) * 10);
    receiver.stop();
    side.join();

    if (!run.failure.empty()) std::printf("receiver: %s\n", run.failure.c_str());
    for (const QString& m : r.messages) std::printf("window: %s\n", qPrintable(m));
    if (!r.ended) std::printf("the transfer did not complete\n");
    if (run.points.empty()) return 1;
    printFigures(run, spin);
    // Timed by reading in a tight loop; the bare host waits in poll() as the window does.
    printSpread("the floor: the same exchange answered by a bare poll/read/write thread",
                ptyFloor(points, pinned ? 0 : -1, pinned ? 1 : -1));
    return 0;
}
