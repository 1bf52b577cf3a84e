// kelvaron_soak: one long download through the real window and serial port against
// kelvaron-sim with random faults on the line, and the figures of how it went.
//
//   kelvaron_soak garmin|magellan POINTS SEED RATE LIMIT_SECONDS
//
// RATE is the fault rate of the Garmin packets or the noise rate of the Magellan reply
// (with malformed lines). It passes (status 0) when the output holds every point of the
// receiver's track once and in order, or when the receiver gave up and the program said
// so with the points before kept in order and none twice; anything else fails (status 1).
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/convert_oracle.h"
#include "tests/support/qt/e2e_harness.h"
#include "tests/support/qt/qt_case_table.h"

namespace {

QByteArray converted(const QString& pointFile) {
    return QByteArray::fromStdString(
        testkit::convertedBytes(pointFile.toStdString(), false, false, 10));
}

// The faults the simulator tagged in its frame log, such as "[dropped]", by kind; for a
// Magellan reply, the lines it sent beyond the points and the end sentence.
QString injectedFaults(const QString& log, long magellanPoints) {
    static const QRegularExpression tag(
        R"(\[(corrupted|dropped|ack will be ignored|duplicated|noise[^\]]*)\])");
    const QString logText = QString::fromUtf8(testkit::readBytes(log));
    std::map<QString, int> faults;
    for (const auto& m : tag.globalMatch(logText)) ++faults[m.captured(1)];
    if (magellanPoints > 0)
        faults["noise or malformed lines"] = int(logText.count(" sim> ") - magellanPoints - 1);
    QString text;
    for (const auto& [kind, n] : faults) text += QStringLiteral("%1 %2, ").arg(n).arg(kind);
    return text.isEmpty() ? QStringLiteral("none") : text.chopped(2);
}

int soak(const QStringList& args) {
    if (args.size() != 6 || (args[1] != "garmin" && args[1] != "magellan")) {
        std::fprintf(stderr,
                     "usage: kelvaron_soak garmin|magellan POINTS SEED RATE LIMIT_SECONDS\n");
        return 2;
    }
    const bool garmin = args[1] == "garmin";
    std::printf("soak %s: %s points at 115200 bit/s, seed %s, rate %s\n", qPrintable(args[1]),
                qPrintable(args[2]), qPrintable(args[3]), qPrintable(args[4]));
    std::fflush(stdout);
    QTemporaryDir dir;
    const QString dump = dir.filePath("dump.txt");
    const QString log = dir.filePath("sim.log");
    QStringList sim = {"--protocol", args[1],   "--points", args[2],  "--seed",
                       args[3],      "--speed", "115200",   "--once", "--dump-track",
                       dump,         "--log",   log};
    sim << (garmin ? QStringList{"--fault-rate", args[4], "--ack-timeout", "300"}
                   : QStringList{"--noise-rate", args[4], "--malformed"});
    testkit::SimReceiver receiver(dir.path(), sim);
    if (!receiver.started()) return std::printf("FAIL: the simulator did not start\n"), 1;
    testkit::LiveWindow w(dir.path());
    w.mapPort(1, receiver.link());
    for (const auto& [key, value] : testkit::keyValues(
             QStringLiteral("GPSType=%1 Speed=11 CorSys=0 Reduce=0 Dev=10").arg(garmin ? 1 : 0)))
        w.set(key, value);
    w.set("FName", dir.filePath("track.txt"));
    w.open();
    w.control<QCheckBox>("chkSplit")->setChecked(false);  // one file to compare with the track
    QElapsedTimer clock;
    clock.start();
    const bool ended = testkit::runDownload(w, args[5].toInt() * 1000);
    const double seconds = clock.elapsed() / 1000.0;

    receiver.finished(2000);
    const bool gaveUp = receiver.errors().contains("gave up");
    QByteArray written = testkit::readBytes(dir.filePath("track.txt"));
    // A transfer that did not end left its points in the temporary point file.
    if (!QFile::exists(dir.filePath("track.txt")) && !w.leftoverPointFiles().isEmpty())
        written = converted(w.leftoverPointFiles().first());
    const auto c = testkit::compareLines(converted(dump), written);
    const auto& said = w.dialogs.messages;
    // Besides the normal end ("Received N records.", "Wrote N of N points to …"), anything
    // said is a fault the program told of.
    const bool toldSo = std::any_of(said.begin(), said.end(), [](const QString& m) {
        return !m.startsWith("Received ") && !m.startsWith("Wrote ");
    });

    std::printf("  duration:        %.1f s\n", seconds);
    std::printf("  faults injected: %s\n",
                qPrintable(injectedFaults(log, garmin ? 0 : args[2].toLong())));
    std::printf("  points:          %zu of %zu written, %zu lost, %zu written twice, %s\n",
                c.written, c.expected, c.lost, c.extra,
                c.exact ? "in order" : (c.prefix ? "in order, cut short" : "OUT OF ORDER"));
    for (QString m : said)
        std::printf("  message:         %s\n", qPrintable(m.replace("\r\n", " / ")));
    const char* verdict =
        !ended               ? "FAIL: no end and no message within the limit"
        : c.extra > 0        ? "FAIL: points written twice"
        : c.exact && !toldSo ? "PASS"
        : gaveUp && toldSo && c.prefix
            ? "PASS: the receiver gave up and the program said so, points so far kept"
            : "FAIL: points lost, out of order or an unexpected message";
    std::printf("soak %s: %s\n", qPrintable(args[1]), verdict);
    return verdict[0] == 'P' ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    return soak(QApplication::arguments());
}
