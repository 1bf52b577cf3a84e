// The whole Magellan download against a scripted port: what is sent, what reaches
// the point file and the finishing step, the messages, and a port closed on every path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "coords/point_file.h"
#include "magellan/download.h"
#include "magellan/sentence.h"
#include "tests/magellan/fake_port.h"

namespace {

using magellan::Download_Outcome;
const std::string kEnd(magellan::kEndSentence);

std::string Read_File(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string Record(double lat, double lon) {
    return coords::formatPointRecord(lat, lon, "N/A");
}

class DownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kelvaron-magellan-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        request = {3, "4800,n,8,1", "COM3 (/dev/ttyUSB0)", dir + "/track.txt"};
        hooks.Show_Caption = [this](const std::string& c) { captions.push_back(c); };
        hooks.Show_Message = [this](const std::string& m) { messages.push_back(m); };
        hooks.Make_Temp_Name = [this] {
            tempName = dir + "/ts" + std::to_string(++temps);
            std::ofstream(tempName).close();
            return tempName;
        };
        hooks.Finish_Output_File = [this](const std::string& pointFile) {
            finished.push_back(Read_File(pointFile));
            std::remove(pointFile.c_str());
            return finishResult;
        };
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }

    Download_Outcome Run(std::vector<std::string> chunks, bool loseAtEnd = false) {
        port.chunks.assign(chunks.begin(), chunks.end());
        port.loseAtEnd = loseAtEnd;
        const auto outcome = magellan::Download_Track(port, pump, request, hooks);
        EXPECT_FALSE(port.isOpen()) << "the port is closed on every path";
        EXPECT_GE(port.closes, 1);
        return outcome;
    }

    std::string dir;
    magellan_test::ScriptedPort port;
    magellan_test::CountingPump pump;
    magellan::Download_Request request;
    magellan::Download_Hooks hooks;
    std::vector<std::string> captions, messages, finished;
    std::string tempName;
    int temps = 0;
    bool finishResult = true;
};

TEST_F(DownloadTest, SendsTheTrackCommandOnTheChosenPort) {
    Run({"$PMGNTRK,3204.5678,N,03512.3456,E,1\r\n" + kEnd});
    ASSERT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(port.opens[0], std::make_pair(3, std::string("4800,n,8,1")));
    EXPECT_EQ(port.written, "$PMGNCMD,TRACK*3D\r\n");
}

TEST_F(DownloadTest, TwoLinesGiveTwoRecordsInOrder) {
    const auto outcome = Run({"$PMGNTRK,3204.5678,N,03512.3456,E,00123,M,101530,A,,020304*00\r\n",
                              "$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n" + kEnd});
    EXPECT_EQ(outcome, Download_Outcome::Saved);
    ASSERT_EQ(finished.size(), 1u);
    // The first line's checksum is wrong: a damaged line is not a point.
    EXPECT_EQ(finished[0], Record(31.0, 34.0));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DownloadTest, RecordsCarryDegreesAndNoTime) {
    Run({"$PMGNTRK,3204.5678,N,03512.3456,E,1\r\n$PMGNTRK,3204.5678,S,03512.3456,W,1\r\n" + kEnd});
    ASSERT_EQ(finished.size(), 1u);
    const double lat = 32.0 + 4.5678 / 60, lon = 35.0 + 12.3456 / 60;
    EXPECT_EQ(finished[0], Record(lat, lon) + Record(-lat, -lon));
    EXPECT_NE(finished[0].find(",\"N/A\"\r\n"), std::string::npos);
}

TEST_F(DownloadTest, MalformedLinesAndTextAfterTheEndAreSkipped) {
    Run({"$GPRMC,101530,A,3204.5678,N,03512.3456,E\r\n",
         "$PMGNTRK,3100.0000,N\r\n$PMGNTRK,abc,N,03400.0000,E\r\n\xff\xfe garbage\r\n",
         "$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n",
         kEnd + "$PMGNTRK,3000.0000,N,03300.0000,E,1\r\n"});
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0], Record(31.0, 34.0));
}

TEST_F(DownloadTest, AnEmptyReplyIsNoTrackData) {
    EXPECT_EQ(Run({kEnd}), Download_Outcome::No_Data);
    EXPECT_EQ(messages, std::vector<std::string>{"No track data found!"});
    EXPECT_EQ(temps, 0);
    EXPECT_TRUE(finished.empty());
}

TEST_F(DownloadTest, AReplyWithoutAnyTrackLineIsNoTrackData) {
    EXPECT_EQ(Run({"$PMGNTRK,bad\r\n" + kEnd}), Download_Outcome::No_Data);
    EXPECT_EQ(messages, std::vector<std::string>{"No track data found!"});
    EXPECT_TRUE(finished.empty());
}

TEST_F(DownloadTest, APortThatDoesNotOpenIsAMessageAndNothingMore) {
    port.openResult = false;
    hooks.Open_Failure_Text = [] {
        return std::string("Cannot open port COM3 (/dev/ttyUSB0): busy.");
    };
    EXPECT_EQ(Run({kEnd}), Download_Outcome::Port_Not_Opened);
    EXPECT_EQ(messages, std::vector<std::string>{"Cannot open port COM3 (/dev/ttyUSB0): busy."});
    EXPECT_EQ(port.written, "");
    EXPECT_TRUE(pump.waits.empty());

    messages.clear();
    hooks.Open_Failure_Text = nullptr;
    Run({});
    EXPECT_EQ(messages, std::vector<std::string>{"Cannot open port COM3 (/dev/ttyUSB0)."});
}

TEST_F(DownloadTest, ALostReceiverKeepsTheCompleteLinesReceived) {
    const auto outcome = Run({"$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n",
                              "$PMGNTRK,3200.0000,N,03500.0000,E,1\r\n$PMGNTRK,33"},
                             true);
    EXPECT_EQ(outcome, Download_Outcome::Cut_Short);
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0], Record(31.0, 34.0) + Record(32.0, 35.0));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "The connection to the receiver on COM3 (/dev/ttyUSB0) was lost before the end of "
              "the track.\r\nThe 2 points received before were saved to " +
                  dir + "/track.txt.");
}

TEST_F(DownloadTest, ALostReceiverBeforeAnyPointSaysSo) {
    EXPECT_EQ(Run({"$PMGN"}, true), Download_Outcome::Cut_Short);
    EXPECT_TRUE(finished.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("No track point had arrived."), std::string::npos);
}

TEST_F(DownloadTest, AFailedFinishIsNotCalledSaved) {
    finishResult = false;
    Run({"$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n"}, true);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].find("saved"), std::string::npos);
}

TEST_F(DownloadTest, NoTemporaryFileIsAMessage) {
    hooks.Make_Temp_Name = []() -> std::string { throw std::runtime_error("disk gone"); };
    EXPECT_EQ(Run({"$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n" + kEnd}), Download_Outcome::Not_Saved);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Cannot create a temporary point file: disk gone\r\nThe track was not saved.");
    EXPECT_TRUE(finished.empty());
}

TEST_F(DownloadTest, AnUnwritablePointFileIsAMessage) {
    hooks.Make_Temp_Name = [this] { return dir + "/missing/ts1"; };
    EXPECT_EQ(Run({"$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n" + kEnd}), Download_Outcome::Not_Saved);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(dir + "/missing/ts1"), std::string::npos) << messages[0];
    EXPECT_TRUE(finished.empty());
}

TEST_F(DownloadTest, StoppingLetsGoWithoutFiles) {
    hooks.Stop_Requested = [this] { return pump.waits.size() >= 2; };
    EXPECT_EQ(Run({"", "", "$PMGNTRK,3100.0000,N,03400.0000,E,1\r\n" + kEnd}),
              Download_Outcome::Stopped);
    EXPECT_TRUE(finished.empty());
    EXPECT_TRUE(messages.empty());
}

}  // namespace
