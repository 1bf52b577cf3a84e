// The Garmin download's dialogues on fakes. data/garmin_dialogues.txt drives the download
// itself, without a window: the identification with its Retry/Cancel box, the speed change,
// what each packet does to the count, the caption and the files, and the reports of a
// receiver that falls silent or goes away. data/window_dialogues.txt runs a few of them
// through the window, for Save, Cancel, the boxes and the inputs it locks.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <set>

#include "download/garmin_download.h"
#include "garmin/units.h"
#include "tests/support/garmin_frames.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/qt/qt_case_table.h"
#include "window/frm_kelvaron.h"

namespace {

std::string le(std::uint32_t v, int width) {
    std::string s;
    for (int i = 0; i < width; ++i) s += char(v >> (8 * i));
    return s;
}

// Receiver packets without a capability report: track points in the D300 layout.
std::string packet(const QStringList& w) {
    const QString kind = w.value(1);
    const int n = w.value(2).toInt();
    if (kind == "records") return testkit::frame(27, le(n, 2));
    if (kind == "header") return testkit::frame(99, std::string("\xff\0ACTIVE LOG\0", 13));
    if (kind == "complete") return testkit::frame(12, le(6, 2));
    if (kind == "other") return testkit::frame(std::uint8_t(n), "\1\2\3\4");
    if (kind == "product")
        return testkit::frame(255, le(n, 2) + le(300, 2) + std::string("eTrex\0", 6));
    if (kind == "sentence") return "$GPRMC,,V,,,,,,,,,,N*53\r\n";
    if (kind == "speed") return testkit::frame(0x31, le(w.value(2).toUInt(), 4));
    if (kind == "ack" || kind == "nak")
        return testkit::frame(kind == "ack" ? 6 : 21,
                              std::string{char(w.value(2).toInt(nullptr, 16)), 0});
    // A report of the link protocol alone: the identifiers stay those of L001.
    if (kind == "report") return testkit::frame(253, std::string("P\0\0L\1\0", 6));
    EXPECT_EQ(kind, "point") << "unknown packet";
    // A receiver stores a point without a fix at 0x7FFFFFFF semicircles both ways.
    const QString how = w.value(3);
    const bool none = how.startsWith("nopos");
    const std::uint32_t lat = none              ? 0x7FFFFFFF
                              : how == "minlat" ? 0x80000000u
                                                : garmin::Degrees_To_Semicircles(31.7 + n * 0.0007);
    const std::uint32_t lon = none ? 0x7FFFFFFF : garmin::Degrees_To_Semicircles(35.1 + n * 0.0011);
    return testkit::frame(
        34, le(lat, 4) + le(lon, 4) + le(1145337120u + 10u * n, 4) + char(how.endsWith("seg")));
}

// The frames written, each as its identifier and first data byte in hexadecimal ("0A/3A",
// "FE" for one without data), separated by blanks.
QString framesText(const std::vector<std::string>& written, std::size_t from) {
    QStringList frames;
    for (std::size_t i = from; i < written.size(); ++i) {
        const std::string& f = written[i];
        QString text = QString::asprintf("%02X", std::uint8_t(f[1]));
        if (f.size() > 6 && std::uint8_t(f[2]) > 0)
            text += QString::asprintf("/%02X", std::uint8_t(f[3]));
        frames << text;
    }
    return frames.join(' ');
}

// Who starts the download, cancels it and shows its caption: the window, or a runner
// without one.
class Front {
  public:
    virtual ~Front() = default;
    virtual void start() = 0;
    virtual void cancel() = 0;
    virtual QString caption() const = 0;
    virtual std::size_t exits() const = 0;
    // The inputs that can be used, in tab order.
    virtual QString enabled() const = 0;
};

class WindowFront final : public Front {
  public:
    explicit WindowFront(testkit::FakePlatform& fakes) : window_(fakes.services()), fakes_(fakes) {
        button("chkSplit")->setChecked(false);  // one output file, track.txt
    }
    void start() override { button("cmdSave")->click(); }
    void cancel() override { button("cmdCancel")->click(); }
    QString caption() const override { return window_.windowTitle(); }
    std::size_t exits() const override { return fakes_.exit.codes.size(); }
    QString enabled() const override {
        QStringList on;
        for (auto* w : window_.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isEnabled() && !qobject_cast<QLabel*>(w)) on << w->objectName();
        return on.join(' ');
    }

  private:
    QAbstractButton* button(const char* name) { return window_.findChild<QAbstractButton*>(name); }
    frmKelvaron window_;
    testkit::FakePlatform& fakes_;
};

// The download on the fakes as a runner without a window drives it: the window's choices
// at COM1, 9600 bit/s, into track.txt.
class RunnerFront final : public Front {
  public:
    RunnerFront(testkit::FakePlatform& fakes, const QString& out)
        : ui_(fakes.dialogs), download_(fakes.services().downloads(), ui_) {
        ui_.choices = {out, false, coords::CoordSystem::LatLon, false, QStringLiteral("10")};
        fakes.comm.handler = [this] {
            if (!ui_.exiting()) download_.onPortEvent();
        };
        fakes.timer.handler = [this] { download_.onTimerTick(); };
        fakes.deadline.handler = [this] {
            if (!ui_.exiting()) download_.onDeadline();
        };
    }
    void start() override { download_.start({1, QStringLiteral("9600"), {}, {}, {}}); }
    void cancel() override {
        download_.release([this] { ui_.endProgram(); });
    }
    QString caption() const override { return ui_.caption; }
    std::size_t exits() const override { return std::size_t(ui_.exits); }
    QString enabled() const override { return {}; }

  private:
    testkit::RecordingDownloadUi ui_;
    app::GarminDownload download_;
};

struct Dialogue {
    QString name;
    QStringList steps;
    bool window = false;
};

// Names a failing dialogue in the test's output.
void PrintTo(const Dialogue& dialogue, std::ostream* out) {
    *out << dialogue.name.toStdString();
}

std::vector<Dialogue> loadDialogues(const char* file, bool window) {
    std::vector<Dialogue> all;
    for (const QString& line : testkit::qtTableLines(std::string(KELVARON_APP_DATA "/") + file)) {
        if (line.startsWith("= "))
            all.push_back({line.mid(2), {}, window});
        else if (!all.empty())
            all.back().steps << line;
    }
    return all;
}

class GarminDialogue : public ::testing::TestWithParam<Dialogue> {};

TEST_P(GarminDialogue, Replays) {
    QTemporaryDir dir;
    testkit::FakePlatform fakes(dir.path());
    auto& port = fakes.comm;
    const std::string request = testkit::frame(254, "");
    std::set<int> answered;
    std::size_t seen = 0;
    auto requests = [&] { return std::size_t(std::ranges::count(port.written, request)); };
    // While the receiver is identified: the requests chosen are answered at once, and each
    // two seconds bring a tick of the reply timer and the end of a request's wait.
    auto identify = [&](int rounds) {
        for (; fakes.deadline.due && rounds > 0; --rounds) {
            for (; seen < requests(); ++seen)
                if (answered.count(int(seen) + 1))
                    fakes.comm.arrive(packet({"in", "product", "73"}));
            fakes.timer.tick();
            fakes.deadline.pass(2);
        }
    };
    fakes.store.values = {{"Settings/1StUse2", "1"},
                          {"Settings/GPSType", "1"},
                          {"Settings/FName", dir.filePath("track.txt")},
                          {"Settings/Dev", "10"},
                          {"Settings/Speed", "6"}};
    std::unique_ptr<Front> front;
    if (GetParam().window)
        front = std::make_unique<WindowFront>(fakes);
    else
        front = std::make_unique<RunnerFront>(fakes, dir.filePath("track.txt"));
    std::size_t told = 0;
    std::size_t writtenSeen = 0;
    const auto& messages = fakes.dialogs.messages;
    for (const QString& step : GetParam().steps) {
        const QStringList s = step.split(' ', Qt::SkipEmptyParts);
        QString arg = step.section(' ', 2).replace("\\r\\n", "\r\n");
        const QStringList kept = QDir(dir.path()).entryList({"ts*"}, QDir::Files);
        const QString keptFile = kept.size() == 1 ? dir.filePath(kept[0]) : QString();
        SCOPED_TRACE(step.toStdString());
        if (s[0] == "answer")
            for (const QString& n : s[1].split(',')) answered.insert(n.toInt());
        if (s[0] == "retry")
            for (const QString& r : s.mid(1)) fakes.dialogs.retries.push_back(r == "1");
        if (s[0] == "save" || s[0] == "click") front->start();
        if (s[0] == "save") identify(1000);
        if (s[0] == "pass") identify(s[1].toInt());
        if (s[0] == "cancel") front->cancel();
        if (s[0] == "hold") fakes.dialogs.holdNext = true;
        if (s[0] == "close") {
            ASSERT_TRUE(fakes.dialogs.held) << "no box is open";
            std::exchange(fakes.dialogs.held, {})();
        }
        if (s[0] == "earlier") {
            QFile earlier(dir.filePath("track.txt"));
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
        }
        if (s[0] == "in") fakes.comm.arrive(packet(s));
        if (s[0] == "set")
            fakes.store.values["Settings/" + s[1].section('=', 0, 0)] = s[1].section('=', 1);
        if (s[0] == "wait") fakes.deadline.pass(s[1].toDouble());
        if (s[0] == "tick")
            for (int i = 0; i < s[1].toInt(); ++i) fakes.timer.tick();
        if (s[0] == "lost") {
            port.close();
            fakes.comm.arrive("", app::kCommEvPortLost);
        }
        static const QStringList kSteps = {"answer", "retry",   "save",  "click", "pass",
                                           "cancel", "hold",    "close", "in",    "tick",
                                           "lost",   "earlier", "set",   "wait",  "expect"};
        static const QStringList kChecks = {"messages",  "requests", "opens",  "exit",
                                            "caption",   "enabled",  "tracks", "outlines",
                                            "keptlines", "written",  "speeds"};
        ASSERT_TRUE(kSteps.contains(s[0]) && (s[0] != "expect" || kChecks.contains(s.value(1))))
            << "unknown step";
        if (s[0] != "expect") continue;
        if (s[1] == "messages") {
            QStringList got;
            for (; told < messages.size(); ++told) got << messages[told];
            EXPECT_EQ(got.join(" ;; ").toStdString(),
                      arg.replace("{kept}", keptFile)
                          .replace("{out}", dir.filePath("track.txt"))
                          .replace("{dir}", dir.path())
                          .toStdString());
        }
        if (s[1] == "written") {
            EXPECT_EQ(framesText(port.written, writtenSeen).toStdString(), arg.toStdString());
            writtenSeen = port.written.size();
        }
        if (s[1] == "speeds") {
            QStringList speeds;
            for (const int v : port.speeds) speeds << QString::number(v);
            EXPECT_EQ(speeds.join(' ').toStdString(), arg.toStdString());
        }
        if (s[1] == "requests") {
            EXPECT_EQ(requests(), arg.toULongLong());
        }
        if (s[1] == "opens") {
            EXPECT_EQ(port.opens.size(), arg.toULongLong());
        }
        if (s[1] == "exit") {
            EXPECT_EQ(front->exits(), arg == "0" ? 1u : 0u);
        }
        if (s[1] == "caption") {
            EXPECT_EQ(front->caption(), arg);
        }
        if (s[1] == "enabled") {
            EXPECT_EQ(front->enabled().toStdString(), arg.toStdString());
        }
        if (s[1] == "tracks") {
            EXPECT_EQ(std::ranges::count(port.written, testkit::frame(10, le(6, 2))) > 0,
                      arg == "yes");
        }
        QFile file(s[1] == "outlines" ? dir.filePath("track.txt") : keptFile);
        if (s[1] == "outlines" || s[1] == "keptlines") {
            EXPECT_EQ(file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : -1,
                      arg.toInt());
        }
    }
}

auto caseName = [](const auto& info) { return testkit::caseName(info.param.name.toStdString()); };
INSTANTIATE_TEST_SUITE_P(Runner, GarminDialogue,
                         ::testing::ValuesIn(loadDialogues("garmin_dialogues.txt", false)),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Window, GarminDialogue,
                         ::testing::ValuesIn(loadDialogues("window_dialogues.txt", true)),
                         caseName);

}  // namespace
