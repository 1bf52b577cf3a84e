// Frame traces replayed through the window's Garmin download: traces/NAME.trace is a file
// as KELVARON_TRACE writes it, and traces/NAME.expected what that download should have
// ended with. A user's trace of a download that went wrong becomes a regression test by
// adding those two files. The expected file holds, after "#" comments:
//   messages TEXT ;; TEXT ...   every box shown, in order, its lines joined by a blank;
//                               {out} for the output file
//   output                      then the output file's lines (CR LF ends read as LF)
// The replay sends the receiver's frames as the trace has them and checks that the program
// sends each of its frames in turn, and moves its port where the trace does; where the
// program is waiting (for the end of a request's two seconds, a step of a speed change, or
// the reply timer), time goes on until it does. A trace without a speed request was made
// with the speed change off, and is replayed so; one with it, from a receiver at 9600.
// KELVARON_REWRITE_FIXTURES=1 writes the expected ends afresh (keeping their comments) after a
// deliberate change.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdlib>
#include <fstream>

#include "tests/support/case_table.h"
#include "tests/support/garmin_frames.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trace_line.h"
#include "window/frm_kelvaron.h"

namespace {

using testkit::TraceLine;

struct Expected {
    std::string messages;
    std::string output;
};

Expected readExpected(const std::filesystem::path& path) {
    Expected expected;
    std::ifstream in(path);
    bool inOutput = false;
    for (std::string line; std::getline(in, line);) {
        if (inOutput)
            expected.output += line + '\n';
        else if (line.starts_with("messages "))
            expected.messages = line.substr(9);
        else if (line == "output")
            inOutput = true;
    }
    EXPECT_TRUE(inOutput) << path << " says no output";
    return expected;
}

void rewriteExpected(const std::filesystem::path& path, const Expected& actual) {
    std::string comments;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line) && line.starts_with('#');)
        comments += line + '\n';
    in.close();
    std::ofstream(path) << comments << "messages " << actual.messages << "\noutput\n"
                        << actual.output;
}

class TraceReplay : public ::testing::TestWithParam<std::filesystem::path> {
  protected:
    TraceReplay() : fakes(dir.path()) {
        fakes.store.values = {{"Settings/1StUse2", "1"},
                              {"Settings/GPSType", "1"},
                              {"Settings/FName", dir.filePath("track.txt")},
                              {"Settings/Dev", "10"}};
    }

    // Lets time go on until the program has sent `count` frames: a request's wait ends,
    // or the reply timer ticks. Enough for four unanswered requests and their box.
    void sendsUpTo(std::size_t count, std::size_t moves = 0) {
        for (int step = 0;
             step < 12 && (fakes.comm.written.size() < count || fakes.comm.speeds.size() < moves);
             ++step) {
            if (fakes.deadline.due)
                fakes.deadline.pass(2);
            else
                fakes.timer.tick();
        }
    }

    void replay(std::istream& trace) {
        std::size_t sent = 0;
        std::size_t moves = 0;
        for (std::string line; std::getline(trace, line);) {
            const auto traced = testkit::parseTraceLine(line);
            if (!traced) {
                EXPECT_TRUE(line.empty() || line.starts_with('#')) << "not a trace line: " << line;
                continue;
            }
            SCOPED_TRACE(line);
            if (traced->kind == TraceLine::Kind::Received) {
                fakes.comm.arrive(traced->wireBytes());
            } else if (traced->kind == TraceLine::Kind::Sent) {
                sendsUpTo(++sent);
                ASSERT_GE(fakes.comm.written.size(), sent) << "the program did not send it";
                EXPECT_EQ(testkit::toHex(fakes.comm.written[sent - 1]), traced->body);
            } else if (traced->kind == TraceLine::Kind::PortSpeed) {
                sendsUpTo(sent, ++moves);
                ASSERT_GE(fakes.comm.speeds.size(), moves) << "the program did not move the port";
                EXPECT_EQ(std::to_string(fakes.comm.speeds[moves - 1]), traced->body);
            } else {
                // The receiver fell silent: the reply timer runs out.
                for (int tick = 0; tick < 4; ++tick) fakes.timer.tick();
            }
        }
        EXPECT_EQ(fakes.comm.written.size(), sent) << "the program sent more than the trace";
    }

    QTemporaryDir dir;
    testkit::FakePlatform fakes;
};

TEST_P(TraceReplay, EndsAsExpected) {
    const bool switches =
        testkit::readFile(GetParam().string()).find("GPS 10 30 ") != std::string::npos;
    fakes.store.values["Settings/SwitchSpeed"] = switches ? "115200" : "0";
    fakes.store.values["Settings/Speed"] = "6";  // 9600
    frmKelvaron window(fakes.services());
    window.findChild<QCheckBox*>("chkSplit")->setChecked(false);
    window.findChild<QPushButton*>("cmdSave")->click();
    std::ifstream trace(GetParam());
    ASSERT_TRUE(trace) << GetParam();
    replay(trace);

    QStringList shown;
    for (const QString& message : fakes.dialogs.messages) shown << message;
    QFile output(dir.filePath("track.txt"));
    const QString written = output.open(QIODevice::ReadOnly) ? output.readAll() : QString();
    const Expected actual{shown.join(" ;; ")
                              .replace("\r\n", " ")
                              .replace(dir.filePath("track.txt"), "{out}")
                              .toStdString(),
                          QString(written).remove('\r').toStdString()};

    std::filesystem::path expectedPath = GetParam();
    expectedPath.replace_extension(".expected");
    if (std::getenv("KELVARON_REWRITE_FIXTURES") != nullptr) rewriteExpected(expectedPath, actual);
    const Expected expected = readExpected(expectedPath);
    EXPECT_EQ(actual.messages, expected.messages);
    EXPECT_EQ(actual.output, expected.output);
}

INSTANTIATE_TEST_SUITE_P(
    Traces, TraceReplay,
    ::testing::ValuesIn(testkit::filesIn(KELVARON_APP_DATA "/traces", ".trace")),
    [](const auto& info) { return testkit::caseName(info.param.stem().string()); });

}  // namespace
