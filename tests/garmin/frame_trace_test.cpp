// The frame trace, from the table in frame_trace.txt: the Garmin engine's frames both ways,
// its NMEA sentences and link errors, and a text download's lines through the tracing port,
// each line with its time, compared with the trace file as written.
#include <gtest/gtest.h>

#include <QString>
#include <sstream>

#include "download/download.h"
#include "download/frame_trace.h"
#include "download/tracing_port.h"
#include "tests/support/case_table.h"
#include "tests/support/garmin_rig.h"
#include "tests/support/qt/app_fakes.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono;

TEST(FrameTrace, TableRows) {
    testkit::TempDir dir;
    const auto start = sys_days{2026y / 12 / 6} + 23h + 59min + 59s + 990ms;
    auto now = start;
    app::FrameTrace trace([&now] { return time_point_cast<system_clock::duration>(now); });
    ASSERT_EQ(trace.open(QString::fromStdString(dir.path("trace.txt"))), QString());
    testkit::GarminRig rig;
    trace.attach(rig.gps);
    app::TracingPort textPort(rig.port, trace);

    std::string expected;
    for (const std::string& row : testkit::tableLines(TRACE_TABLE)) {
        std::istringstream in(row);
        std::string ms, action, lines;
        std::getline(in, ms, '|');
        std::getline(in >> std::ws, action, '|');
        std::getline(in >> std::ws, lines);
        now = start + milliseconds(std::stoi(ms));
        const std::string verb = action.substr(0, action.find(' '));
        const std::string text =
            testkit::unescape(action.substr(verb.size() + 1, action.size() - verb.size() - 2));
        if (verb == "garmin") {
            rig.gps.Request_Product_Data();
        } else if (verb == "garmin<") {
            rig.port.input = text;
            rig.gps.KelvComm_OnComm();
        } else if (verb == "usb") {
            rig.gps.useUsb(&rig.usb);
            rig.gps.PortOpen();
        } else if (verb == "usb<") {
            rig.usb.arrive(seams::UsbEndpoint::Interrupt, text,
                           [&rig] { rig.gps.KelvComm_OnComm(); });
        } else if (verb == "error") {
            trace.linkError(text);
        } else if (verb == "port>") {
            textPort.write(text);
        } else if (verb == "port<") {
            rig.port.chunks.push_back(text);
            textPort.readAll();
        } else {
            textPort.close();
        }
        if (!lines.empty())
            expected += QString::fromStdString(lines).replace(";;", "\n").toStdString() + '\n';
    }
    EXPECT_EQ(testkit::readFile(dir.path("trace.txt")), expected);
}

// The runner's choice (a command line's --trace), else the environment, else the settings.
TEST(FrameTrace, ChosenFile) {
    testkit::MemoryStore settings;
    settings.values["Settings/Trace"] = "set.txt";
    EXPECT_EQ(app::FrameTrace::chosenFile({1, "9600", {}, "run.txt"}, settings), "run.txt");
    qputenv("KELVARON_TRACE", "env.txt");
    EXPECT_EQ(app::FrameTrace::chosenFile({}, settings), "env.txt");
    qunsetenv("KELVARON_TRACE");
    EXPECT_EQ(app::FrameTrace::chosenFile({}, settings), "set.txt");
}

}  // namespace
