// Garmin downloads of D301 track points from kelvaron-sim, paced at a real line's speed,
// through the real window, QSerialPort, reply timer and engine: the time of each transfer
// as a fraction of the line-rate bound, and the peak memory of the process that ran it.
//
//   bench_garmin_download [--points N[,N...]] [--speed BPS[,BPS...]]
//
// Every combination runs in a child process of its own, so its peak resident size
// (ru_maxrss) belongs to that download alone. The bound is the time the line needs for
// every frame and acknowledgement of the transfer, one after the other, at speed / 10
// bytes a second (8N1); the bytes are the wire bytes in the simulator's frame log,
// doubled 16s included. To tell the program's share of the time beyond the bound from the
// machine's, it also prints how long the window's thread and the simulator waited for a
// CPU during the transfer. Defaults: 10,000 points at 115200 bit/s.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/e2e/command_line.h"
#include "bench/e2e/garmin_session.h"
#include "bench/e2e/sim_log.h"
#include "bench/e2e/thread_sched.h"

namespace {

using namespace kelvaron_bench;

// What a child sends back through its pipe.
struct Report {
    bool completed = false;
    double simSeconds = 0;     // the transfer on the simulator's clock
    double windowSeconds = 0;  // Save returned .. completion message, on the window's clock
    long bytes = 0;
    long receiverFrames = 0;
    long hostFrames = 0;
    long resends = 0;
    long peakKiB = 0;
    // Per exchange beyond the line time, in milliseconds (see TransferSpan).
    double hostSideP50 = 0, hostSideP99 = 0, receiverSideP50 = 0, receiverSideP99 = 0;
    // What the scheduler did during the transfer to the window's thread and the simulator.
    SchedTimes window;
    SchedTimes simulator;
    bool simulatorSeen = false;
    char note[400] = {};
};

void note(Report& r, const std::string& text) {
    std::snprintf(r.note, sizeof r.note, "%s", text.c_str());
}

double percentileMs(std::vector<double> seconds, double q) {
    if (seconds.empty()) return 0;
    std::sort(seconds.begin(), seconds.end());
    const auto rank = static_cast<std::size_t>(q * static_cast<double>(seconds.size() - 1));
    return seconds[rank] * 1000.0;
}

long peakResidentKiB() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// One download in this (child) process. `points` 0: only the window, shown and idle.
Report download(long points, long speed) {
    Report r;
    int argc = 1;
    char name[] = "bench_garmin_download";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir dir;
    if (points == 0) {
        GarminSession idle(dir.path(), dir.filePath("no-receiver"), 9600);
        QApplication::processEvents();
        r.peakKiB = peakResidentKiB();
        return r;
    }
    const QString log = dir.filePath("sim.log");
    testkit::SimReceiver sim(
        dir.path(), {"--caps", "l001-d301", "--points", QString::number(points), "--speed",
                     QString::number(speed), "--once", "--ack-timeout", "3000", "--log", log});
    if (!sim.started()) {
        note(r, "kelvaron-sim did not start: " + sim.errors().toStdString());
        return r;
    }
    GarminSession session(dir.path(), sim.link(), static_cast<int>(speed));
    const ThreadSched window(::gettid());
    const pid_t simPid = childRunning("kelvaron-sim");
    const ThreadSched simulator = ThreadSched::ofProcess(simPid);
    r.simulatorSeen = simulator.ok();
    SchedTimes window0, simulator0;
    session.onRequested = [&] {
        window0 = window.read();
        simulator0 = simulator.read();
    };
    session.onCompleted = [&] {
        const SchedTimes w = window.read(), s = simulator.read();
        r.window = {w.cpuNs - window0.cpuNs, w.waitNs - window0.waitNs};
        r.simulator = {s.cpuNs - simulator0.cpuNs, s.waitNs - simulator0.waitNs};
    };
    // Three times the line time of about 40 bytes a point, and the identification.
    const double lineSeconds = static_cast<double>(points) * 40 * 10 / static_cast<double>(speed);
    const DownloadResult d = session.run(static_cast<int>(lineSeconds * 3000) + 60000);
    r.peakKiB = peakResidentKiB();
    sim.finished(5000);
    note(r, d.messages.join(" | ").toStdString());
    if (!d.ended || !d.completed) return r;
    r.windowSeconds = std::chrono::duration<double>(*d.completed - d.requested).count();
    std::string why;
    const auto span = readTransferSpan(log.toStdString(), static_cast<int>(speed), why);
    if (!span) {
        note(r, why);
        return r;
    }
    r.completed = true;
    r.simSeconds = span->seconds;
    r.bytes = span->bytes;
    r.receiverFrames = span->receiverFrames;
    r.hostFrames = span->hostFrames;
    r.resends = span->resends;
    r.hostSideP50 = percentileMs(span->hostSide, 0.5);
    r.hostSideP99 = percentileMs(span->hostSide, 0.99);
    r.receiverSideP50 = percentileMs(span->receiverSide, 0.5);
    r.receiverSideP99 = percentileMs(span->receiverSide, 0.99);
    return r;
}

// Runs Download in a child and returns its report.
Report inChild(long points, long speed) {
    Report r;
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        note(r, "no pipe");
        return r;
    }
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        const Report mine = download(points, speed);
        const ssize_t n = ::write(pipeFds[1], &mine, sizeof mine);
        ::_exit(n == sizeof mine ? 0 : 1);
    }
    ::close(pipeFds[1]);
    const ssize_t n = child > 0 ? ::read(pipeFds[0], &r, sizeof r) : -1;
    ::close(pipeFds[0]);
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    if (n != sizeof r) {
        r = Report{};
        note(r, "the child ended without a report (status " + std::to_string(status) + ")");
    }
    return r;
}

void print(long points, long speed, const Report& r) {
    std::printf("%ld D301 points at %ld bit/s: %s\n", points, speed, r.note);
    if (r.completed) {
        const double bound = static_cast<double>(r.bytes) * 10.0 / static_cast<double>(speed);
        std::printf("  wire bytes %ld (%ld receiver frames, %ld host frames, %ld resends)\n",
                    r.bytes, r.receiverFrames, r.hostFrames, r.resends);
        std::printf("  line-rate bound %.3f s, transfer %.3f s (window's clock %.3f s)\n", bound,
                    r.simSeconds, r.windowSeconds);
        std::printf("  fraction of the bound %.2f %%, %.3f ms above it per receiver frame\n",
                    100.0 * bound / r.simSeconds,
                    (r.simSeconds - bound) * 1000.0 / static_cast<double>(r.receiverFrames));
        std::printf(
            "  per exchange beyond the line time: a frame out to its acknowledgement taken in\n"
            "    p50 %.3f ms, p99 %.3f ms; from there to the next frame out p50 %.3f ms, p99 %.3f "
            "ms\n",
            r.hostSideP50, r.hostSideP99, r.receiverSideP50, r.receiverSideP99);
        std::printf(
            "  during the transfer the window's thread ran %.3f s and waited %.3f s for a "
            "CPU;\n",
            static_cast<double>(r.window.cpuNs) / 1e9, static_cast<double>(r.window.waitNs) / 1e9);
        if (r.simulatorSeen)
            std::printf("    the simulator ran %.3f s and waited %.3f s for a CPU\n",
                        static_cast<double>(r.simulator.cpuNs) / 1e9,
                        static_cast<double>(r.simulator.waitNs) / 1e9);
    }
    std::printf("  peak memory %ld KiB\n", r.peakKiB);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line(argc, argv, "[--points N[,N...]] [--speed BPS[,BPS...]]");
    const std::vector<long> points = line.numbers("--points", {10000}, 1, 1000000);
    const std::vector<long> speeds = line.numbers("--speed", {115200}, 10, 4000000);
    line.finish();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    double load[1] = {0};
    if (::getloadavg(load, 1) == 1) std::printf("load average at the start: %.2f\n", load[0]);
    const Report idle = inChild(0, 0);
    std::printf("the window alone, shown and idle: peak memory %ld KiB\n", idle.peakKiB);
    bool all = true;
    for (const long speed : speeds) {
        for (const long count : points) {
            const Report r = inChild(count, speed);
            print(count, speed, r);
            all = all && r.completed;
        }
    }
    return all ? 0 : 1;
}
