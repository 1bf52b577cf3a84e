// kelvaron-get: its progress text and its command line as tables, and whole runs of the
// program as a child process against kelvaron-sim through a pseudo-terminal (rows.txt).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <map>

#include "cli/options.h"
#include "cli/progress_line.h"
#include "cli/terminal_ui.h"
#include "cli/unit_listing.h"
#include "qt/qt_settings_store.h"
#include "tests/support/convert_oracle.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/e2e_harness.h"
#include "tests/support/qt/qt_case_table.h"

namespace {

using testkit::readBytes;

QStringList words(const QString& s) {
    return s.split(' ', Qt::SkipEmptyParts);
}

TEST(ProgressText, Table) {
    for (const QStringList& row : testkit::qtTableRows(KELVARON_CLI_DATA "/progress.txt")) {
        const QStringList w = words(row[0]);
        const cli::ProgressReading r{w[0].toLongLong(), w[1].toLongLong(), w[2].toDouble(), w[3]};
        EXPECT_EQ(cli::progressText(r, w[4] == "bar").toStdString(), row[1].toStdString());
    }
}

TEST(CommandLine, Table) {
    for (const QStringList& row : testkit::qtTableRows(KELVARON_CLI_DATA "/options.txt")) {
        QTemporaryDir dir;
        app::QtSettingsStore store(dir.filePath("Kelvaron.conf"));
        for (const auto& [key, value] : testkit::keyValues(row[1]))
            store.write("Settings", key, value);
        const cli::Command c =
            cli::parseCommandLine(QStringList{"kelvaron-get"} + words(row[0]), store);
        QString got = QStringLiteral("exit %1: %2").arg(c.exitCode).arg(c.text);
        if (c.listUnits) {
            EXPECT_EQ(row[2].toStdString(), "units");
        } else if (const auto& o = c.options) {
            const auto none = [](const QString& s) { return s.isEmpty() ? QString("-") : s; };
            got = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                      .arg(o->family == app::Family::Garmin  ? "garmin"
                           : o->family == app::Family::Drive ? "drive"
                                                             : "magellan")
                      .arg(o->port.port)
                      .arg(none(o->port.device), o->port.speed, o->files.fileName)
                      .arg(static_cast<int>(o->files.system))
                      .arg(o->files.deviation)
                      .arg(o->files.split)
                      .arg(o->tries) +
                  QStringLiteral(" %1").arg(o->quiet);
            if (o->port.switchSpeed) got += QStringLiteral(" switch %1").arg(*o->port.switchSpeed);
            EXPECT_EQ(got.toStdString(), row[2].toStdString());
        } else {
            EXPECT_TRUE(got.startsWith(row[2].section(':', 0, 0) + ':') &&
                        got.contains(row[2].section(": ", 1)))
                << row[0].toStdString() << " gave " << got.toStdString();
        }
    }
}

TEST(UnitListing, OneSourceALineWithWhatPortAndGpsTake) {
    testkit::FakeVolumes volumes;
    volumes.mounted = {SOURCE_TEST_DATA "/drive", SOURCE_TEST_DATA};
    const QString list = cli::unitListing({{"/dev/ttyUSB0", "ttyUSB0", "USB-Serial Controller"}},
                                          {{"usb:1", "1-1.4", "GPSMAP 60CSx"}}, volumes);
    EXPECT_EQ(list.toStdString(),
              "/dev/ttyUSB0\tgarmin|magellan\tttyUSB0 — USB-Serial Controller\n"
              "usb:1\tgarmin\tGarmin USB — GPSMAP 60CSx\n" SOURCE_TEST_DATA
              "/drive\tdrive\teTrex 30 — " SOURCE_TEST_DATA "/drive\n");
}

// A download that records what it is asked; after a stop it waits for its receiver.
struct StubDownload final : app::Download {
    explicit StubDownload(app::DownloadUi& u) : ui(u) {}
    void start(const app::PortChoice&) override {}
    void onPortEvent() override {}
    void onTimerTick() override {}
    bool inProgress() const override { return true; }
    void abortTransfer(std::function<void()> done) override {
        ++aborts;
        waiting = std::move(done);
    }
    void stopWaiting() override {
        ++stops;
        if (waiting) std::exchange(waiting, {})();
    }
    bool trackComplete() const override { return complete; }
    int aborts = 0;
    int stops = 0;
    bool complete = false;
    std::function<void()> waiting;
    app::DownloadUi& ui;
};

TEST(Interrupts, Table) {
    for (const QStringList& row : testkit::qtTableRows(KELVARON_CLI_DATA "/interrupts.txt")) {
        cli::Options options;
        options.family = app::Family::Garmin;
        options.quiet = true;
        testkit::FakePlatform fakes(QDir::tempPath());
        StubDownload* stub = nullptr;
        cli::TerminalUi ui(options, fakes.services().downloads(), false,
                           [&](app::Family family, const app::DownloadServices&,
                               app::DownloadUi& runner) -> std::unique_ptr<app::Download> {
                               auto made = std::make_unique<StubDownload>(runner);
                               if (family == app::Family::Garmin) stub = made.get();
                               return made;
                           });
        ui.start();
        StubDownload& download = *stub;
        for (const QString& event : words(row[0])) {
            if (event == "int") ui.interrupt(SIGINT);
            if (event == "complete") download.complete = true;
            if (event == "end" || event == "over") {
                download.ui.ended(app::DownloadEnd::Done);
                download.ui.downloadFinished();
            }
        }
        const QString got = QStringLiteral("%1 | %2 %3")
                                .arg(ui.exitCode())
                                .arg(download.aborts)
                                .arg(download.stops);
        EXPECT_EQ(got.toStdString(), (row[1] + " | " + row[2]).toStdString())
            << row[0].toStdString();
        QCoreApplication::processEvents();  // the finish it queued, while `ui` lives
    }
}

// The size of the temporary point file of the run in `dir`, 0 while there is none.
qint64 pointFileSize(const QString& dir) {
    const QFileInfoList files = QDir(dir + "/tmp").entryInfoList({"ts*"}, QDir::Files);
    return files.isEmpty() ? 0 : files[0].size();
}

struct Run {
    QStringList cols;
    friend void PrintTo(const Run& r, std::ostream* os) { *os << r.cols[0].toStdString(); }
};

class Program : public ::testing::TestWithParam<Run> {};

TEST_P(Program, Row) {
    const QStringList& cols = GetParam().cols;
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    const QString dump = dir + "/dump.txt";
    testkit::SimReceiver sim(dir, words(QString(cols[1]).replace("{fixtures}", E2E_FIXTURES))
                                      << "--dump-track" << dump);
    ASSERT_TRUE(sim.started()) << sim.errors().toStdString();
    const auto fill = [&](QString s) {
        return s.replace("{dir}", dir)
            .replace("{link}", sim.link())
            .replace("{source}", SOURCE_TEST_DATA)
            .replace("{long}", QString(300, 'x'))
            .replace("{gvfs}", dir + "/run/gvfs/mtp:host=091e_4cda_0000cafe1234/Internal Storage");
    };

    QDir(dir).mkpath("tmp");
    app::QtSettingsStore store(dir + "/config/Kelvaron/Kelvaron.conf");
    for (const auto& [key, value] : testkit::keyValues(fill(cols[3])))
        store.write(key.contains('/') ? key.section('/', 0, 0) : "Settings", key.section('/', -1),
                    value);
    std::map<QString, QString> o = testkit::keyValues(cols[4], "=@");
    // Files of an earlier run beside the output: t5.txt ... t9.txt for "5-9", tx.txt for "x".
    for (const QString& item : o["files"].split(',', Qt::SkipEmptyParts))
        for (int n = item.section('-', 0, 0).toInt(); n <= item.section('-', -1).toInt(); ++n)
            QFile(dir + "/t" + (item.contains('-') ? QString::number(n) : item) + ".txt")
                .open(QIODevice::WriteOnly);

    QProcess get;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir + "/config");
    env.insert("TMPDIR", dir + "/tmp");
    get.setProcessEnvironment(env);
    // Standard error into a pipe that is full before the start and never read.
    int full[2] = {-1, -1};
    if (o.count("stderr-full")) {
        ASSERT_EQ(::pipe2(full, O_CLOEXEC | O_NONBLOCK), 0);
        const QByteArray page(4096, 'x');
        while (::write(full[1], page.data(), page.size()) > 0) {
        }
        ::fcntl(full[1], F_SETFL, 0);  // a writer then waits, as on any full pipe
    }
    get.setChildProcessModifier([&, nohup = o.count("nohup") > 0] {
        if (full[1] >= 0) ::dup2(full[1], STDERR_FILENO);
        if (nohup) ::signal(SIGHUP, SIG_IGN);
    });
    if (o.count("fifo")) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/" + o["fifo"]).constData(), 0600), 0);
    }
    // The unit as GNOME mounts a media device, with ':', '=' and a space in its path.
    if (o.count("gvfs") && QDir().mkpath(QFileInfo(fill("{gvfs}")).path()))
        QFile::link(SOURCE_TEST_DATA "/drive", fill("{gvfs}"));
    QStringList arguments = words(cols[2]);
    for (QString& word : arguments) word = fill(word);
    get.start(KELVARON_GET_PATH, arguments);
    ASSERT_TRUE(get.waitForStarted(5000));
    if (o.count("stdin")) {
        get.write(readBytes(fill(o["stdin"])));
        get.closeWriteChannel();
    }
    for (const auto& [name, signal] :
         std::map<QString, int>{{"sigint", SIGINT}, {"sighup", SIGHUP}, {"sigterm", SIGTERM}}) {
        if (!o.count(name)) continue;
        if (o[name] == "points")
            EXPECT_TRUE(QTest::qWaitFor([&] { return pointFileSize(dir) > 0; }, 60000));
        else
            QThread::msleep(o[name].toULong());
        ::kill(static_cast<pid_t>(get.processId()), signal);
        if (o.count("again")) {  // the same signal once more, that long after
            QThread::msleep(o["again"].toULong());
            ::kill(static_cast<pid_t>(get.processId()), signal);
        }
    }
    ASSERT_TRUE(get.waitForFinished(120000));
    for (const int end : full)
        if (end >= 0) ::close(end);
    const QString err = QString::fromLocal8Bit(get.readAllStandardError());
    EXPECT_EQ(get.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(get.exitCode(), o["exit"].toInt()) << err.toStdString();

    const QStringList kept = QDir(dir + "/tmp").entryList({"ts*"}, QDir::Files);
    const QString keptFile = kept.isEmpty() ? QString() : dir + "/tmp/" + kept[0];
    if (cols[5] == "-") {
        EXPECT_EQ(err.toStdString(), "");
    } else {
        for (QString part : fill(cols[5]).split(";;"))
            EXPECT_TRUE(err.contains(part.replace("{kept}", keptFile)))
                << part.toStdString() << " in " << err.toStdString();
    }
    if (o.count("stats")) {
        const QString lines = QString::fromUtf8(get.readAllStandardOutput());
        EXPECT_TRUE(lines.endsWith("\t" + o["stats"] + "\n") && lines.count('\n') == 1)
            << lines.toStdString();
    }
    if (o.count("picture")) {
        EXPECT_TRUE(readBytes(dir + "/" + o["picture"]).startsWith("\x89PNG\r\n"));
    }
    const QString out = dir + "/t.txt";
    if (o["out"] == "dump") {
        // Asked before o["dev"] adds the key.
        const bool reduced = o.count("dev") > 0;
        EXPECT_EQ(readBytes(out),
                  QByteArray::fromStdString(testkit::convertedBytes(
                      dump.toStdString(), o.count("grid") > 0, reduced, o["dev"].toInt())));
    } else {
        EXPECT_EQ(QFile::exists(out), o["out"] == "saved");
    }
    if (o.count("gpxname")) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString gpx = utf8(readBytes(dir + "/t.gpx"));
        EXPECT_FALSE(utf8.hasError());
        EXPECT_TRUE(gpx.contains("<name>" + o["gpxname"])) << gpx.toStdString();
    }
    EXPECT_TRUE(o["kept"] != "none" || kept.isEmpty()) << kept.join(' ').toStdString();
    if (o.count("simback")) {
        sim.stop();
        EXPECT_FALSE(sim.errors().contains("stopped at")) << sim.errors().toStdString();
    }
    if (o["kept"] == "prefix" || o["kept"] == "all") {
        ASSERT_EQ(kept.size(), 1);
        const QByteArray points = readBytes(keptFile);
        EXPECT_TRUE(readBytes(dump).startsWith(points) && points.endsWith("\r\n"));
        EXPECT_EQ(points.size() == readBytes(dump).size(), o["kept"] == "all");
    }
}

std::vector<Run> runs() {
    std::vector<Run> rows;
    for (const QStringList& cols : testkit::qtTableRows(KELVARON_CLI_DATA "/rows.txt"))
        if (cols.size() == 6) rows.push_back({cols});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Rows, Program, ::testing::ValuesIn(runs()),
                         [](const auto& info) { return "row" + std::to_string(info.index); });

}  // namespace
