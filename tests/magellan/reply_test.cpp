// The receive loop and the cutting of a reply into points.
#include <gtest/gtest.h>

#include "magellan/reply.h"
#include "magellan/sentence.h"
#include "tests/magellan/fake_port.h"

namespace {

using Outcome = magellan::Reply::Outcome;
const std::string kEnd(magellan::kEndSentence);
const std::string kLine = "$PMGNTRK,3204.5678,N,03512.3456,E,00123,M,,A,,\r\n";

struct ReceiveCase {
    const char* name;
    std::vector<std::string> chunks;
    bool loseAtEnd;
    Outcome outcome;
    std::size_t end;                    // where the end sentence starts
    std::vector<std::string> captions;  // after every read that brought bytes
};

class ReceiveReply : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveReply, ReadsUntilTheEndSentenceAppears) {
    const auto& p = GetParam();
    magellan_test::ScriptedPort port;
    magellan_test::CountingPump pump;
    ASSERT_TRUE(port.open(1, "4800,n,8,1"));
    port.chunks.assign(p.chunks.begin(), p.chunks.end());
    port.loseAtEnd = p.loseAtEnd;
    std::vector<std::string> captions;
    const auto reply = magellan::receiveReply(
        port, pump, {[&](const std::string& c) { captions.push_back(c); }, nullptr});
    EXPECT_EQ(reply.outcome, p.outcome);
    EXPECT_EQ(reply.end, p.end);
    std::string all;
    for (const auto& c : p.chunks) all += c;
    EXPECT_EQ(reply.text, all);
    EXPECT_EQ(captions, p.captions);
    // Every pass waits in the event pump, so the loop never spins.
    EXPECT_EQ(pump.waits.size(), std::size_t(port.reads));
    for (int w : pump.waits) EXPECT_GT(w, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceiveReply,
    ::testing::Values(
        ReceiveCase{
            "endOnly", {kEnd}, false, Outcome::Complete, 0, {"Kelvaron - Received 17 bytes"}},
        ReceiveCase{"emptyReadsKeepTheCaption",
                    {"", std::string(103, 'x'), "", "", kEnd},
                    false,
                    Outcome::Complete,
                    103,
                    {"Kelvaron - Received 103 bytes", "Kelvaron - Received 120 bytes"}},
        ReceiveCase{"endSplitAcrossReads",
                    {kLine, kEnd.substr(0, 10), kEnd.substr(10)},
                    false,
                    Outcome::Complete,
                    kLine.size(),
                    {"Kelvaron - Received 48 bytes", "Kelvaron - Received 58 bytes",
                     "Kelvaron - Received 65 bytes"}},
        ReceiveCase{"endSplitByteByByte",
                    {"$", "P", "MGNCMD,END*3D\r", "\n"},
                    false,
                    Outcome::Complete,
                    0,
                    {"Kelvaron - Received 1 bytes", "Kelvaron - Received 2 bytes",
                     "Kelvaron - Received 16 bytes", "Kelvaron - Received 17 bytes"}},
        ReceiveCase{"endWithoutCrLfIsNoEnd",
                    {kLine + "$PMGNCMD,END*3D"},
                    true,
                    Outcome::PortLost,
                    kLine.size() + 15,
                    {"Kelvaron - Received 63 bytes"}},
        ReceiveCase{"endAfterNoise",
                    {"garbage" + kEnd + "tail"},
                    false,
                    Outcome::Complete,
                    7,
                    {"Kelvaron - Received 28 bytes"}},
        ReceiveCase{"portLost",
                    {kLine, "$PMGNTRK,32"},
                    true,
                    Outcome::PortLost,
                    59,
                    {"Kelvaron - Received 48 bytes", "Kelvaron - Received 59 bytes"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiveReply, StopsWhenTheProgramEnds) {
    magellan_test::ScriptedPort port;
    magellan_test::CountingPump pump;
    ASSERT_TRUE(port.open(1, "4800,n,8,1"));
    int passes = 0;
    const auto reply = magellan::receiveReply(port, pump, {nullptr, [&] { return ++passes > 3; }});
    EXPECT_EQ(reply.outcome, Outcome::Stopped);
    EXPECT_EQ(pump.waits.size(), 3u);
}

TEST(ReceiveReply, NoiseWithoutEndIsCutOffAtTheLimit) {
    magellan_test::ScriptedPort port;
    magellan_test::CountingPump pump;
    ASSERT_TRUE(port.open(1, "4800,n,8,1"));
    const std::string noise(1 << 20, 'n');
    for (std::size_t i = 0; i <= magellan::kMaxReplyBytes / noise.size(); ++i)
        port.chunks.push_back(noise);
    const auto reply = magellan::receiveReply(port, pump, {});
    EXPECT_EQ(reply.outcome, Outcome::TooLong);
    EXPECT_GT(reply.text.size(), magellan::kMaxReplyBytes);
}

TEST(ReplyPoints, CompleteTrackLinesInOrder) {
    const std::string text =
        "$PMGNTRK,3204.5678,N,03512.3456,E,1\r\n"
        "$GPGGA,101530,3204.5678,N,03512.3456,E,1\r\n"
        "$PMGNTRK,3100.0000,S,03400.0000,W,2\r\n"
        "\r\n"
        "$PMGNTRK,3000.0000,N,03300.0000,E";  // unfinished
    const auto points = magellan::replyPoints(text);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[0].lat, 32.07613, 1e-9);
    EXPECT_NEAR(points[0].lon, 35.20576, 1e-9);
    EXPECT_DOUBLE_EQ(points[1].lat, -31.0);
    EXPECT_DOUBLE_EQ(points[1].lon, -34.0);
}

}  // namespace
