// Garmin downloads through the real window and serial port against kelvaron-sim when
// the line or the receiver misbehaves: every point is stored once and in order, and a
// transfer that cannot end is reported with the points so far kept on disk.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <ostream>

#include "tests/reliability/support/reliability.h"

namespace {

using kelvaron_e2e::Converted;
using kelvaron_e2e::Read_File;
using kelvaron_reliability::Compare;
using kelvaron_reliability::Family;
using kelvaron_reliability::FileSizeLimit;
using kelvaron_reliability::Mode_Of;
using kelvaron_reliability::Session;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs the download until the program ends it or something is reported.
bool Run_Transfer(Session& s, int limitMs) {
    if (!s.window().save(limitMs)) return false;
    const auto& exit = s.window().exit.codes;
    const auto& messages = s.window().dialogs.messages;
    return s.window().runUntil(
        [&] {
            return !exit.empty() ||
                   std::any_of(messages.begin(), messages.end(),
                               [](const QString& m) { return !m.startsWith("Received "); });
        },
        limitMs);
}

// The count the caption shows while points arrive ("Kelvaron - Received 12 records").
int Records_Shown(Session& s) {
    const QStringList words = s.window().caption().split(' ');
    return words.size() == 5 && words[2] == "Received" ? words[3].toInt() : 0;
}

void Unplug_After_Records(Session& s, int records) {
    s.after(20, [&s, records] {
        if (Records_Shown(s) >= records)
            s.sim().unplug();
        else
            Unplug_After_Records(s, records);
    });
}

struct LineFaults {
    const char* name;
    QStringList simOptions;
};

void PrintTo(const LineFaults& p, std::ostream* os) {
    *os << p.name;
}

class FaultyLine : public ::testing::TestWithParam<LineFaults> {};

TEST_P(FaultyLine, EveryPointIsStoredOnceInOrder) {
    // --once: the simulator ends when it has seen its transfer complete acknowledged.
    Session s(Family::Garmin, GetParam().simOptions + QStringList{"--once"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    ASSERT_TRUE(Run_Transfer(s, 120000)) << "no hang: " << s.allMessages();

    EXPECT_EQ(s.window().exit.codes, std::vector<int>{0}) << s.allMessages();
    ASSERT_EQ(s.messages().size(), 1u) << s.allMessages();
    EXPECT_TRUE(Contains(s.messages()[0], "Received ")) << s.allMessages();
    const auto c = Compare(Converted(s.dump(), false, false, 10), Read_File(s.output()));
    ASSERT_GT(c.expected, 100u);
    EXPECT_TRUE(c.exact) << c.written << " of " << c.expected << " lines, " << c.lost << " lost, "
                         << c.extra << " written twice";
    EXPECT_TRUE(s.leftoverPointFiles().isEmpty());
    EXPECT_TRUE(s.sim().finished())
        << "the receiver saw the end acknowledged " << s.simErrors().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultyLine,
    ::testing::Values(
        // The receiver misses our acknowledgement and sends the point again.
        LineFaults{"LostAcknowledgement", {"--unpaced", "--drop-ack", "5", "--ack-timeout", "300"}},
        LineFaults{"LostAcknowledgementOfTheEnd",
                   {"--unpaced", "--points", "150", "--drop-ack", "151", "--ack-timeout", "300"}},
        LineFaults{"CorruptedAndDroppedPoints",
                   {"--unpaced", "--corrupt", "7", "--drop", "9", "--ack-timeout", "300"}},
        LineFaults{"RandomFaultsSeed2",
                   {"--speed", "115200", "--points", "500", "--fault-rate", "0.05", "--seed", "2",
                    "--ack-timeout", "300"}},
        LineFaults{"RandomFaultsSeed3",
                   {"--speed", "115200", "--points", "500", "--fault-rate", "0.05", "--seed", "3",
                    "--ack-timeout", "300"}},
        LineFaults{"RandomFaultsFullReport",
                   {"--speed", "115200", "--points", "300", "--fault-rate", "0.1", "--seed", "4",
                    "--caps", "l002-d310", "--ack-timeout", "300"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CutShort {
    const char* name;
    QStringList simOptions;
    int unplugAfterRecords;  // 0: the receiver is left running
    const char* said;        // what the message must say
};

void PrintTo(const CutShort& p, std::ostream* os) {
    *os << p.name;
}

class CutShortTransfer : public ::testing::TestWithParam<CutShort> {};

TEST_P(CutShortTransfer, SaysSoAndKeepsThePointsSoFar) {
    const auto& p = GetParam();
    // 9600 bit/s: the track is still coming when the receiver goes.
    Session s(Family::Garmin, p.simOptions, "6");
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    if (p.unplugAfterRecords > 0) Unplug_After_Records(s, p.unplugAfterRecords);
    ASSERT_TRUE(Run_Transfer(s, 60000)) << "no hang: " << s.allMessages();

    ASSERT_EQ(s.messages().size(), 1u) << s.allMessages();
    const std::string text = s.messages()[0];
    EXPECT_TRUE(Contains(text, p.said)) << text;
    const QStringList kept = s.leftoverPointFiles();
    ASSERT_EQ(kept.size(), 1) << text;
    EXPECT_TRUE(Contains(text, kept[0].toStdString())) << text;
    EXPECT_FALSE(QFile::exists(s.output()));
    const QByteArray all = Read_File(s.dump());
    const QByteArray got = Read_File(kept[0]);
    EXPECT_GE(got.count('\n'), p.unplugAfterRecords - 1);
    EXPECT_LT(got.size(), all.size());
    EXPECT_TRUE(all.startsWith(got)) << "the points so far, in order, each once";
    EXPECT_TRUE(got.endsWith("\r\n")) << "on disk to the last point";
    EXPECT_EQ(Mode_Of(kept[0]), 0600);
}

INSTANTIATE_TEST_SUITE_P(
    Receivers, CutShortTransfer,
    ::testing::Values(CutShort{"Unplugged",
                               {"--speed", "9600", "--points", "2000"},
                               100,
                               "was lost before the end of the track"},
                      CutShort{"UnpluggedAmidFaults",
                               {"--speed", "9600", "--points", "2000", "--fault-rate", "0.05",
                                "--seed", "5", "--ack-timeout", "300"},
                               100,
                               "was lost before the end of the track"},
                      // A receiver that stops talking: the reply timer turns the silence into a
                      // report. One that gives up resending ends its side of the line.
                      CutShort{"FallsSilent",
                               {"--speed", "9600", "--points", "2000", "--silent-after", "60"},
                               0,
                               "No response from device on port 1"},
                      CutShort{"GivesUp",
                               {"--speed", "9600", "--points", "2000", "--drop-ack", "40",
                                "--max-resends", "0", "--ack-timeout", "300"},
                               0,
                               "was lost before the end of the track"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GarminFiles, AnOutputThatCannotBeWrittenKeepsEveryPoint) {
    Session s(Family::Garmin, {"--unpaced", "--points", "300"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    QFile blocker(s.path("notes"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    s.setOutput(s.path("notes/track.txt"));
    s.open();
    ASSERT_TRUE(Run_Transfer(s, 60000)) << "no hang";
    ASSERT_TRUE(s.window().runUntil([&] { return !s.window().exit.codes.empty(); }, 10000));
    const QStringList kept = s.leftoverPointFiles();
    ASSERT_EQ(kept.size(), 1) << s.allMessages();
    const std::string all = s.allMessages();
    EXPECT_TRUE(Contains(all, "could not be written")) << all;
    EXPECT_TRUE(Contains(all, "Not a directory")) << all;
    EXPECT_TRUE(Contains(all, "kept in " + kept[0].toStdString())) << all;
    EXPECT_EQ(Read_File(kept[0]), Read_File(s.dump()));
}

TEST(GarminFiles, ADiskThatFillsDuringTheTransferKeepsThePointsBefore) {
    Session s(Family::Garmin, {"--unpaced", "--points", "2000"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    {
        // Room for a few hundred points: the point file fills up during the transfer.
        FileSizeLimit limit(16 * 1024);
        ASSERT_TRUE(limit.applied());
        ASSERT_TRUE(Run_Transfer(s, 60000)) << "no hang";
        ASSERT_TRUE(s.window().runUntil([&] { return !s.window().exit.codes.empty(); }, 30000))
            << s.allMessages();
    }
    const std::string all = s.allMessages();
    EXPECT_TRUE(Contains(all, "Cannot write the point file")) << all;
    EXPECT_TRUE(Contains(all, "File too large")) << all;
    const QStringList kept = s.leftoverPointFiles();
    ASSERT_EQ(kept.size(), 1) << all;
    EXPECT_TRUE(Contains(all, "kept in " + kept[0].toStdString())) << all;
    const QByteArray got = Read_File(kept[0]);
    EXPECT_GT(got.size(), 8 * 1024);
    EXPECT_TRUE(Read_File(s.dump()).startsWith(got)) << "the points before, in order";
    EXPECT_FALSE(QFile::exists(s.output()));
}

TEST(GarminFiles, ThePointFileIsPrivateWhileTheTransferRuns) {
    Session s(Family::Garmin, {"--speed", "9600", "--points", "200"});
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    int mode = -2;
    QString seen;
    s.after(3000, [&] {
        const QStringList files = s.leftoverPointFiles();
        if (files.size() == 1) {
            seen = files[0];
            mode = Mode_Of(files[0]);
        }
    });
    ASSERT_TRUE(Run_Transfer(s, 60000)) << "no hang";
    ASSERT_FALSE(seen.isEmpty()) << "one point file while the points arrive";
    EXPECT_EQ(mode, 0600) << seen.toStdString();
    EXPECT_TRUE(QFileInfo(seen).fileName().startsWith("ts"));
}

}  // namespace
