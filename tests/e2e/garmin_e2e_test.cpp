// Garmin downloads end to end: the real window, QSerialPort, reply timer and engine
// against kelvaron-sim through a pseudo-terminal, from Save to the end of the program.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <utility>

#include "tests/e2e/support/e2e_harness.h"

namespace {

using kelvaron_e2e::Converted;
using kelvaron_e2e::LiveWindow;
using kelvaron_e2e::Read_File;
using kelvaron_e2e::SimReceiver;

constexpr int kTransferLimitMs = 60000;

class GarminEndToEnd : public ::testing::Test {
  protected:
    // Starts the simulated receiver and a window on "Garmin" whose COM1 leads to it.
    void Start(QStringList simOptions, bool split = false, const QString& speedIndex = "11") {
        simOptions << "--dump-track" << dump() << "--ack-timeout" << ackTimeoutMs;
        sim = std::make_unique<SimReceiver>(dir.path(), simOptions);
        ASSERT_TRUE(sim->started()) << sim->errors().toStdString();
        window = std::make_unique<LiveWindow>(dir.path());
        window->mapPort(1, sim->link());
        window->set("GPSType", "1");
        window->set("COM", "0");
        window->set("Speed", speedIndex);
        window->set("FName", fileName.isEmpty() ? out() : fileName);
        window->set("CorSys", "0");
        window->set("Reduce", "0");
        window->set("Dev", "10");
        window->open();
        window->access().control<QCheckBox>("chkSplit")->setChecked(split);
    }
    // Save, then the transfer from the port's events until the program "ends".
    bool Download() {
        if (!window->save()) return false;
        return window->runUntil([this] { return !window->exit.codes.empty(); }, kTransferLimitMs);
    }
    QString out(const QString& name = "track.txt") const { return dir.filePath(name); }
    QString dump() const { return dir.filePath("dump.txt"); }
    QByteArrayList Dump_Lines() const {
        QByteArrayList lines = Read_File(dump()).split('\n');
        if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
        for (auto& l : lines) l += '\n';
        return lines;
    }
    // What the conversion pass makes of dump lines [from, to).
    QByteArray Converted_Part(qsizetype from, qsizetype to) {
        const QString part = dir.filePath(QString("part%1.txt").arg(from));
        QFile f(part);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArrayList lines = Dump_Lines();
        for (qsizetype i = from; i < to && i < lines.size(); ++i) f.write(lines[i]);
        f.close();
        return Converted(part, false, false, 10);
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> m;
        for (const auto& s : window->dialogs.messages) m.push_back(s.toStdString());
        return m;
    }
    QString Kept_Point_File() const {
        const QStringList files = window->leftoverPointFiles();
        return files.size() == 1 ? QDir(dir.filePath("tmp")).filePath(files[0]) : QString();
    }
    void Expect_Ready_For_Save() {
        for (const char* name : {"cmdSave", "cmbCOM", "cmbSpeed", "cmdBrowse", "txtFName",
                                 "cmbCorSys", "chkReduce", "txtDev", "cmbGPSType", "chkSplit"})
            EXPECT_TRUE(window->access().control<QWidget>(name)->isEnabled()) << name;
    }

    // How long the receiver waits for our acknowledgement before it sends a packet again.
    QString ackTimeoutMs = "300";
    QString fileName;  // the file box, when not track.txt
    QTemporaryDir dir;
    std::unique_ptr<SimReceiver> sim;
    std::unique_ptr<LiveWindow> window;
};

std::string Received(qsizetype n) {
    return "Received " + std::to_string(n) + " records.";
}

// ---- receivers with each capability report, and the faults the link recovers from

struct LinkCase {
    const char* name;
    QStringList options;
    int headers;  // track headers the receiver sends with its 60 points
};

class Receivers : public GarminEndToEnd, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(Receivers, EveryPointOnceInTheOutputFile) {
    const auto& p = GetParam();
    Start(QStringList{"--unpaced", "--once", "--points", "60"} + p.options);
    ASSERT_TRUE(Download()) << sim->errors().toStdString();
    const QByteArray expected = Converted(dump(), false, false, 10);
    ASSERT_EQ(Dump_Lines().size(), 60);
    EXPECT_EQ(Read_File(out()), expected);
    EXPECT_EQ(Messages(), std::vector<std::string>{Received(60 + p.headers)});
    EXPECT_EQ(window->exit.codes, std::vector<int>{0});
    EXPECT_TRUE(window->leftoverPointFiles().isEmpty());
    EXPECT_TRUE(sim->finished()) << "the receiver saw its transfer acknowledged: "
                                 << sim->errors().toStdString();
}

// The faults act on the K-th packet of the transfer: 0 is the records packet.
INSTANTIATE_TEST_SUITE_P(Caps, Receivers,
                         ::testing::Values(LinkCase{"noReportD300", {"--caps", "none"}, 0},
                                           LinkCase{
                                               "l001D301WithHeaders", {"--caps", "l001-d301"}, 1},
                                           LinkCase{"l002D310", {"--caps", "l002-d310"}, 1},
                                           LinkCase{"paced115200", {"--speed", "115200"}, 1},
                                           LinkCase{"corruptPoint", {"--corrupt", "7"}, 1},
                                           LinkCase{"corruptRecords", {"--corrupt", "0"}, 1},
                                           LinkCase{"droppedPoint", {"--drop", "12"}, 1},
                                           // The receiver misses our acknowledgement and sends the
                                           // point again: it must be stored once.
                                           LinkCase{"droppedAckOfPoint", {"--drop-ack", "9"}, 1},
                                           LinkCase{"droppedAckOfHeader", {"--drop-ack", "1"}, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GarminEndToEnd, RandomFaultsStillGiveEveryPointOnce) {
    Start({"--unpaced", "--once", "--points", "300", "--fault-rate", "0.05", "--seed", "11"});
    ASSERT_TRUE(Download()) << sim->errors().toStdString();
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
    EXPECT_EQ(Messages(), std::vector<std::string>{Received(301)});
}

TEST_F(GarminEndToEnd, ACountMismatchIsReportedAndTheFileWrittenAllTheSame) {
    Start({"--unpaced", "--once", "--points", "40", "--count-offset", "2"});
    ASSERT_TRUE(Download());
    EXPECT_EQ(Messages(), (std::vector<std::string>{Received(41),
                                                    "Error - Record counts don't match\r\n"
                                                    "GPS claims to have sent 43 records."}));
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
    EXPECT_EQ(window->exit.codes, std::vector<int>{0});
}

TEST_F(GarminEndToEnd, ALargeTrackCountsPastThe16BitSignedRange) {
    Start({"--unpaced", "--once", "--caps", "none", "--points", "33000"});
    ASSERT_TRUE(Download());
    EXPECT_EQ(Messages(), std::vector<std::string>{Received(33000)});
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
}

// ---- one file per segment

TEST_F(GarminEndToEnd, SplitFilesStartAtEachNewSegment) {
    // Ten points, segments starting at points 0, 4 and 7, a second header before the last.
    QFile track(dir.filePath("segments.track"));
    ASSERT_TRUE(track.open(QIODevice::WriteOnly));
    track.write("H,Morning\n");
    for (int i = 0; i < 10; ++i) {
        if (i == 7) track.write("H,Evening\n");
        const bool newSegment = i == 0 || i == 4 || i == 7;
        track.write(QString("%1,%2,%3,%4\n")
                        .arg(31.76 + i * 0.0013, 0, 'f', 5)
                        .arg(35.16 - i * 0.0009, 0, 'f', 5)
                        .arg(1145337120 + i * 30)
                        .arg(newSegment ? 1 : 0)
                        .toUtf8());
    }
    track.close();
    Start({"--unpaced", "--once", "--caps", "l001-d301", "--track", track.fileName()}, true);
    ASSERT_TRUE(Download());
    EXPECT_EQ(Messages(), std::vector<std::string>{Received(12)});
    EXPECT_FALSE(QFile::exists(out()));
    const std::pair<qsizetype, qsizetype> parts[] = {{0, 4}, {4, 7}, {7, 10}};
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(Read_File(out(QString("track%1.txt").arg(n + 1))),
                  Converted_Part(parts[n].first, parts[n].second))
            << "file " << n + 1;
    EXPECT_FALSE(QFile::exists(out("track4.txt")));
    EXPECT_TRUE(window->leftoverPointFiles().isEmpty());
}

TEST_F(GarminEndToEnd, WithoutSplittingTheSegmentsShareOneFile) {
    Start({"--unpaced", "--once"});  // the sample hike: two segments
    ASSERT_TRUE(Download());
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
    EXPECT_FALSE(QFile::exists(out("track1.txt")));
}

TEST_F(GarminEndToEnd, AMessageBoxInTheMiddleDoesNotHoldTheTransferUp) {
    // The receiver would send again only after 20 s: what arrived while the box was open
    // must be read when it closes.
    ackTimeoutMs = "20000";
    fileName = dir.filePath("no/such/folder/track.txt");
    Start({"--unpaced", "--once"}, true);  // the sample hike: two segments
    bool first = true;
    window->dialogs.onMessage = [&](const QString&) {
        if (!std::exchange(first, false)) return;
        // A modal box: the user reads it for a second and a half.
        QEventLoop box;
        QTimer::singleShot(1500, &box, &QEventLoop::quit);
        box.exec();
    };
    ASSERT_TRUE(window->save());
    ASSERT_TRUE(window->runUntil([this] { return !window->exit.codes.empty(); }, 10000))
        << "stalled";
    ASSERT_EQ(Messages().size(), 3u) << Messages()[0];
    EXPECT_EQ(Messages()[1], Received(Dump_Lines().size() + 1));
    // Both segments' files failed; their points are kept, each exactly once.
    QByteArray kept;
    QStringList files = window->leftoverPointFiles();
    ASSERT_EQ(files.size(), 2);
    for (const QString& m : {window->dialogs.messages[0], window->dialogs.messages[2]})
        for (const QString& f : files)
            if (m.contains(f)) kept += Read_File(QDir(dir.filePath("tmp")).filePath(f));
    EXPECT_EQ(kept, Read_File(dump()));
}

// ---- receivers that cannot deliver

TEST_F(GarminEndToEnd, ASilentReceiverBringsTheRetryCancelMessage) {
    Start({"--never-answer"});
    ASSERT_TRUE(window->save(30000)) << "Cancel in the message ends the identification";
    EXPECT_EQ(Messages(), std::vector<std::string>{"GPS on com port 1 failed to initialze."});
    EXPECT_EQ(window->exit.codes, std::vector<int>{0});
    EXPECT_TRUE(window->leftoverPointFiles().isEmpty());
    EXPECT_FALSE(QFile::exists(out()));
}

TEST_F(GarminEndToEnd, AnNmeaReceiverIsToldToSwitchItsInterface) {
    Start({"--nmea"});
    ASSERT_TRUE(window->save(15000));
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              "GPS is sending NMEA or TEXT sentences.\r\n"
                              "For upload/download switch the interface mode to 'GRMN/GRMN', "
                              "then restart."});
    EXPECT_TRUE(window->exit.codes.empty());
    EXPECT_TRUE(window->leftoverPointFiles().isEmpty());
    Expect_Ready_For_Save();
}

TEST_F(GarminEndToEnd, AReceiverFallingSilentMidTransferIsReportedWithThePointsKept) {
    Start({"--unpaced", "--caps", "none", "--points", "60", "--silent-after", "10"});
    ASSERT_TRUE(window->save());
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(window->runUntil([this] { return !window->dialogs.messages.empty(); }, 20000));
    std::cout << "silence reported after " << t.elapsed() << " ms\n";
    const QString kept = Kept_Point_File();
    ASSERT_FALSE(kept.isEmpty());
    EXPECT_EQ(Messages(), std::vector<std::string>{"No response from device on port 1\r\n"
                                                   "The track points received so far are kept in " +
                                                   kept.toStdString() + "."});
    // Packets 1 to 10 were points 0 to 9.
    const QByteArrayList lines = Dump_Lines();
    EXPECT_EQ(Read_File(kept), (lines.mid(0, 10).join()));
    EXPECT_TRUE(window->exit.codes.empty());
}

TEST_F(GarminEndToEnd, AnUnpluggedReceiverLeavesThePointsReceivedSoFar) {
    // About 30 ms a point at 9600 bit/s: 400 points take twelve seconds.
    Start({"--speed", "9600", "--points", "400"}, false, "6");
    ASSERT_TRUE(window->save());
    window->runUntil([] { return false; }, 2000);  // some of the points arrive
    sim->unplug();
    ASSERT_TRUE(window->runUntil([this] { return !window->dialogs.messages.empty(); }, 20000));
    window->runUntil([] { return false; }, 300);  // nothing more follows
    const QString kept = Kept_Point_File();
    ASSERT_EQ(Messages().size(), 1u);
    ASSERT_FALSE(kept.isEmpty()) << Messages()[0];
    EXPECT_EQ(Messages()[0], "The connection to the receiver on COM1 (" +
                                 sim->link().toStdString() +
                                 ") was lost before the end of the track.\r\n"
                                 "The track points received so far are kept in " +
                                 kept.toStdString() + ".");
    const QByteArray got = Read_File(kept);
    EXPECT_GE(got.count('\n'), 2);
    EXPECT_LT(got.count('\n'), 400);
    EXPECT_TRUE(Read_File(dump()).startsWith(got)) << "whole points, in order";
    EXPECT_FALSE(QFile::exists(out()));
    EXPECT_TRUE(window->exit.codes.empty());
    Expect_Ready_For_Save();
}

TEST_F(GarminEndToEnd, APortThatCannotBeOpenedIsNamedInAMessage) {
    Start({"--unpaced"});
    window->window().close();
    window = std::make_unique<LiveWindow>(dir.path());
    window->mapPort(2, dir.filePath("no-such-device"));
    window->set("GPSType", "1");
    window->set("COM", "1");
    window->open();
    ASSERT_TRUE(window->save(10000)) << "no identification against a closed port";
    ASSERT_EQ(Messages().size(), 1u);
    const std::string text = Messages()[0];
    EXPECT_NE(text.find("COM2"), std::string::npos) << text;
    EXPECT_NE(text.find(dir.filePath("no-such-device").toStdString()), std::string::npos) << text;
    EXPECT_NE(text.find("does not exist"), std::string::npos) << text;
    Expect_Ready_For_Save();
}

}  // namespace
