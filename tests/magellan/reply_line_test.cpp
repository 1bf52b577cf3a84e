// The command sentence and the reading of single reply lines.
#include <gtest/gtest.h>

#include <optional>

#include "magellan/reply_line.h"
#include "magellan/sentence.h"

namespace {

TEST(Sentence, TheTrackCommandIsExactlyTheseBytes) {
    EXPECT_EQ(magellan::Make_Sentence("PMGNCMD,TRACK"), "$PMGNCMD,TRACK*3D\r\n");
    EXPECT_EQ(magellan::kTrackCommand, "$PMGNCMD,TRACK*3D\r\n");
    EXPECT_EQ(magellan::kTrackCommand.size(), 19u);
    EXPECT_EQ(magellan::Make_Sentence("PMGNCMD,END"), magellan::kEndSentence);
}

TEST(Sentence, ChecksumIsWrittenWithoutALeadingZero) {
    EXPECT_EQ(magellan::Make_Sentence("AB"), "$AB*3\r\n");  // 0x41 ^ 0x42
    EXPECT_EQ(magellan::Make_Sentence(""), "$*0\r\n");
    EXPECT_EQ(magellan::Make_Sentence("z"), "$z*7A\r\n");
}

struct LineCase {
    const char* name;
    const char* line;
    std::optional<std::pair<double, double>> point;
};

class ReplyLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReplyLine, GivesAPointOnlyForATrackLine) {
    const auto got = magellan::parseReplyLine(GetParam().line);
    const auto& want = GetParam().point;
    ASSERT_EQ(got.has_value(), want.has_value()) << GetParam().line;
    if (!want) return;
    EXPECT_NEAR(got->lat, want->first, 1e-9);
    EXPECT_NEAR(got->lon, want->second, 1e-9);
}

constexpr double kLat = 32.0 + 4.5678 / 60;   // 3204.5678
constexpr double kLon = 35.0 + 12.3456 / 60;  // 03512.3456

// Checksums worked out by hand for the lines that carry one.
INSTANTIATE_TEST_SUITE_P(
    Lines, ReplyLine,
    ::testing::Values(
        LineCase{"described", "$PMGNTRK,3204.5678,N,03512.3456,E,00123,M,101530.00,A,,020304",
                 std::pair{kLat, kLon}},
        LineCase{"withCr", "$PMGNTRK,3204.5678,N,03512.3456,E,00123,M\r", std::pair{kLat, kLon}},
        LineCase{"southWest", "$PMGNTRK,3204.5678,S,03512.3456,W,00123,M", std::pair{-kLat, -kLon}},
        LineCase{"southEast", "$PMGNTRK,3204.5678,S,03512.3456,E", std::pair{-kLat, kLon}},
        LineCase{"wholeMinutes", "$PMGNTRK,3512,N,00000,E", std::pair{35.2, 0.0}},
        LineCase{"goodChecksum", "$PMGNTRK,3204.5678,N,03512.3456,E*6A", std::pair{kLat, kLon}},
        LineCase{"lowerHexChecksum", "$PMGNTRK,3204.5678,N,03512.3456,E*6a", std::pair{kLat, kLon}},
        LineCase{"badChecksum", "$PMGNTRK,3204.5678,N,03512.3456,E*6B", std::nullopt},
        LineCase{"emptyChecksum", "$PMGNTRK,3204.5678,N,03512.3456,E*", std::nullopt},
        LineCase{"otherSentence", "$GPGGA,101530,3204.5678,N,03512.3456,E,1,05", std::nullopt},
        LineCase{"waypoint", "$PMGNWPL,3204.5678,N,03512.3456,E,0,M,HOME", std::nullopt},
        LineCase{"endSentence", "$PMGNCMD,END*3D", std::nullopt},
        LineCase{"noLongitude", "$PMGNTRK,3204.5678,N", std::nullopt},
        LineCase{"noHemisphere", "$PMGNTRK,3204.5678,,03512.3456,E", std::nullopt},
        LineCase{"emptyLatitude", "$PMGNTRK,,N,03512.3456,E", std::nullopt},
        LineCase{"letters", "$PMGNTRK,32O4.5678,N,03512.3456,E", std::nullopt},
        LineCase{"twoPoints", "$PMGNTRK,3204.56.78,N,03512.3456,E", std::nullopt},
        LineCase{"sign", "$PMGNTRK,-3204.5678,N,03512.3456,E", std::nullopt},
        LineCase{"exponent", "$PMGNTRK,3e3,N,03512.3456,E", std::nullopt},
        LineCase{"blank", "$PMGNTRK, 3204.5678,N,03512.3456,E", std::nullopt},
        LineCase{"commaDecimal", "$PMGNTRK,3204,5678,N,03512,3456,E", std::nullopt},
        LineCase{"lowerHemisphere", "$PMGNTRK,3204.5678,n,03512.3456,e", std::nullopt},
        LineCase{"sixtyMinutes", "$PMGNTRK,3260.0000,N,03512.3456,E", std::nullopt},
        LineCase{"beyondPole", "$PMGNTRK,9100.0000,N,03512.3456,E", std::nullopt},
        LineCase{"beyondDateLine", "$PMGNTRK,3204.5678,N,18100.0000,E", std::nullopt},
        LineCase{"hugeNumber", "$PMGNTRK,99999999999999999999999999999,N,03512.3456,E",
                 std::nullopt},
        LineCase{"noiseBefore", "x$PMGNTRK,3204.5678,N,03512.3456,E", std::nullopt},
        LineCase{"empty", "", std::nullopt},
        LineCase{"garbage", "\x01\xff\x80,N,,E,", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
