// A Magellan reply spoiled by line noise and malformed sentences, and a receiver
// unplugged in the middle of its reply: every good point is kept once, in order, and a
// cut-short reply is reported with the points that arrived saved.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/reliability/support/reliability.h"

namespace {

using kelvaron_e2e::Converted;
using kelvaron_e2e::Read_File;
using kelvaron_reliability::Compare;
using kelvaron_reliability::Family;
using kelvaron_reliability::Session;

struct SpoiledReply {
    const char* name;
    QStringList simOptions;
};

void PrintTo(const SpoiledReply& p, std::ostream* os) {
    *os << p.name;
}

class SpoiledMagellanReply : public ::testing::TestWithParam<SpoiledReply> {};

TEST_P(SpoiledMagellanReply, EveryGoodPointIsKeptOnceInOrder) {
    Session s(Family::Magellan, GetParam().simOptions);
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    ASSERT_TRUE(s.window().save(120000)) << "no hang";
    EXPECT_TRUE(s.messages().empty()) << s.allMessages();
    const auto c = Compare(Converted(s.dump(), false, false, 10), Read_File(s.output()));
    ASSERT_GT(c.expected, 100u);
    EXPECT_TRUE(c.exact) << c.written << " of " << c.expected << " lines, " << c.lost << " lost, "
                         << c.extra << " extra";
    EXPECT_TRUE(s.leftoverPointFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SpoiledMagellanReply,
    ::testing::Values(SpoiledReply{"LongReplyWithNoiseAndMalformedLines",
                                   {"--unpaced", "--points", "5000", "--malformed", "--noise-rate",
                                    "0.01", "--seed", "11"}},
                      SpoiledReply{
                          "MostlyNoise",
                          {"--unpaced", "--points", "500", "--noise-rate", "0.9", "--seed", "12"}},
                      SpoiledReply{"NoiseAndMalformedAtLineSpeed",
                                   {"--speed", "115200", "--points", "600", "--malformed",
                                    "--noise-rate", "0.2", "--seed", "13"}},
                      SpoiledReply{"SplitEndAfterNoise",
                                   {"--unpaced", "--points", "300", "--split-end", "--noise-rate",
                                    "0.3", "--seed", "14"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Unplug {
    const char* name;
    int afterMs;
    QStringList simOptions;
};

void PrintTo(const Unplug& p, std::ostream* os) {
    *os << p.name;
}

class UnpluggedMagellan : public ::testing::TestWithParam<Unplug> {};

TEST_P(UnpluggedMagellan, SaysSoAndSavesThePointsThatArrived) {
    const auto& p = GetParam();
    // 2400 bit/s: 240 bytes a second, so the reply is still coming when the cable goes.
    Session s(Family::Magellan, p.simOptions, "4");
    ASSERT_TRUE(s.started()) << s.simErrors().toStdString();
    s.open();
    s.window().during(p.afterMs, [&s] { s.sim().unplug(); });
    ASSERT_TRUE(s.window().save(60000)) << "no hang";

    ASSERT_EQ(s.messages().size(), 1u) << s.allMessages();
    const std::string text = s.messages()[0];
    EXPECT_NE(text.find("was lost before the end of the track"), std::string::npos) << text;
    const auto c = Compare(Converted(s.dump(), false, false, 10), Read_File(s.output()));
    EXPECT_TRUE(c.prefix) << "complete lines only, in order";
    EXPECT_EQ(c.extra, 0u);
    EXPECT_GT(c.written, 0u);
    EXPECT_LT(c.written, c.expected);
    EXPECT_NE(text.find("The " + std::to_string(c.written) + " points"), std::string::npos) << text;
    EXPECT_TRUE(s.leftoverPointFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Moments, UnpluggedMagellan,
                         ::testing::Values(Unplug{"AmidNoise",
                                                  2000,
                                                  {"--speed", "2400", "--points", "300",
                                                   "--noise-rate", "0.2", "--seed", "21"}},
                                           Unplug{"AmidMalformedLines",
                                                  2500,
                                                  {"--speed", "2400", "--points", "300",
                                                   "--malformed", "--seed", "22"}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
