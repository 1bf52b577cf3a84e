// kelvaron_soak: one long download through the real window and serial port against
// kelvaron-sim with random faults on the line, and the figures of how it went.
//
//   kelvaron_soak garmin   [--points N] [--seed S] [--fault-rate R] [--ack-timeout MS]
//   kelvaron_soak magellan [--points N] [--seed S] [--noise-rate R]
//   common: [--limit-seconds T]
//
// It passes (exit status 0) when the output holds every point of the receiver's track
// exactly once and in order, or when the receiver gave up and the program said so with
// the points before kept in order and none twice. Anything else fails (status 1): a
// point lost or written twice, a crash, or no end and no message within the limit.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/reliability/support/reliability.h"

namespace {

using kelvaron_e2e::Converted;
using kelvaron_e2e::Read_File;
using namespace kelvaron_reliability;

struct Options {
    Family family = Family::Garmin;
    long points = 20000;
    long seed = 1;
    QString faultRate = "0.01";
    QString noiseRate = "0.01";
    QString ackTimeout = "300";
    long limitSeconds = 600;
};

[[noreturn]] void Usage(const char* why) {
    std::fprintf(stderr, "kelvaron_soak: %s\n", why);
    std::fprintf(stderr,
                 "usage: kelvaron_soak garmin|magellan [--points N] [--seed S] [--fault-rate R]"
                 " [--noise-rate R] [--ack-timeout MS] [--limit-seconds T]\n");
    std::exit(2);
}

Options Parse(int argc, char** argv) {
    Options o;
    if (argc < 2) Usage("which receiver family?");
    const std::string family = argv[1];
    if (family == "magellan") {
        o.family = Family::Magellan;
    } else if (family != "garmin") {
        Usage("the family is garmin or magellan");
    }
    for (int i = 2; i < argc; i += 2) {
        const std::string name = argv[i];
        if (i + 1 >= argc) Usage(("no value after " + name).c_str());
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        bool ok = true;
        if (name == "--points") {
            o.points = value.toLong(&ok);
        } else if (name == "--seed") {
            o.seed = value.toLong(&ok);
        } else if (name == "--fault-rate") {
            o.faultRate = value;
        } else if (name == "--noise-rate") {
            o.noiseRate = value;
        } else if (name == "--ack-timeout") {
            o.ackTimeout = value;
        } else if (name == "--limit-seconds") {
            o.limitSeconds = value.toLong(&ok);
        } else {
            Usage(("unknown option " + name).c_str());
        }
        if (!ok) Usage(("not a number after " + name).c_str());
    }
    return o;
}

QStringList Sim_Options(const Options& o) {
    QStringList sim = {"--points", QString::number(o.points),
                       "--seed",   QString::number(o.seed),
                       "--speed",  "115200",
                       "--once"};
    if (o.family == Family::Garmin)
        sim << "--fault-rate" << o.faultRate << "--ack-timeout" << o.ackTimeout;
    else
        sim << "--noise-rate" << o.noiseRate << "--malformed";
    return sim;
}

// The download runs until the program ends it (a Garmin transfer completes), Save returns
// (Magellan), or something is reported; the limit catches a silent hang.
bool Run(Session& s, const Options& o) {
    const int limitMs = static_cast<int>(o.limitSeconds * 1000);
    if (o.family == Family::Magellan) return s.window().save(limitMs);
    QElapsedTimer t;
    t.start();
    if (!s.window().save(limitMs)) return false;
    const auto& exit = s.window().exit.codes;
    const auto& messages = s.window().dialogs.messages;
    const int left = static_cast<int>(std::max<qint64>(0, limitMs - t.elapsed()));
    return s.window().runUntil(
        [&] {
            return !exit.empty() ||
                   std::any_of(messages.begin(), messages.end(),
                               [](const QString& m) { return !m.startsWith("Received "); });
        },
        left);
}

int Soak(const Options& o) {
    const char* family = o.family == Family::Garmin ? "garmin" : "magellan";
    const QString faultText =
        o.family == Family::Garmin
            ? "fault rate " + o.faultRate + ", ack timeout " + o.ackTimeout + " ms"
            : "noise rate " + o.noiseRate + ", malformed lines";
    std::printf("soak %s: %ld points at 115200 bit/s, seed %ld, %s\n", family, o.points, o.seed,
                faultText.toUtf8().constData());
    std::fflush(stdout);
    Session s(o.family, Sim_Options(o));
    if (!s.started()) {
        std::printf("FAIL: the simulator did not start: %s\n", s.simErrors().toUtf8().constData());
        return 1;
    }
    s.open();
    QElapsedTimer clock;
    clock.start();
    const bool ended = Run(s, o);
    const double seconds = clock.elapsed() / 1000.0;

    const QByteArray expected = Converted(s.dump(), false, false, 10);
    auto faults = Injected_Faults(s.log());
    if (o.family == Family::Magellan)
        faults["noise or malformed lines"] =
            Magellan_Bad_Lines(s.log(), static_cast<std::size_t>(expected.count('\n')));
    s.sim().finished(2000);
    const bool simGaveUp = s.simErrors().contains("gave up");
    QByteArray written = Read_File(s.output());
    if (!QFile::exists(s.output()) && !s.leftoverPointFiles().isEmpty()) {
        // The transfer did not end: its points are in the temporary point file.
        written = Converted(s.leftoverPointFiles().first(), false, false, 10);
    }
    const Comparison c = Compare(expected, written);

    std::printf("  duration:        %.1f s\n", seconds);
    std::printf("  faults injected: %d (%s)\n", Total(faults), Describe(faults).c_str());
    std::printf("  points:          %zu of %zu written, %zu lost, %zu written twice, %s\n",
                c.written, c.expected, c.lost, c.extra,
                c.exact ? "in order" : (c.prefix ? "in order, cut short" : "OUT OF ORDER"));
    for (const auto& m : s.messages()) {
        QString line = QString::fromStdString(m);
        line.replace("\r\n", " / ");
        std::printf("  message:         %s\n", line.toUtf8().constData());
    }

    const bool saidSo = !s.messages().empty() &&
                        !(s.messages().size() == 1 && s.messages()[0].rfind("Received ", 0) == 0);
    std::string verdict;
    if (!ended) {
        verdict = "FAIL: no end and no message within " + std::to_string(o.limitSeconds) + " s";
    } else if (c.extra > 0) {
        verdict = "FAIL: points written twice";
    } else if (c.exact && (o.family == Family::Magellan ? s.messages().empty() : !saidSo)) {
        verdict = "PASS";
    } else if (simGaveUp && saidSo && c.prefix) {
        verdict = "PASS: the receiver gave up and the program said so, points so far kept";
    } else {
        verdict = c.exact ? "FAIL: unexpected message" : "FAIL: points lost or out of order";
    }
    std::printf("soak %s: %s\n", family, verdict.c_str());
    return verdict.rfind("PASS", 0) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    return Soak(Parse(argc, argv));
}
