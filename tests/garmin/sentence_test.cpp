// NMEA and TEXT sentences from a receiver whose interface is not in Garmin mode.
#include "fakes.h"

namespace garmin::test {
namespace {

class SentenceTest : public EngineTest {
  protected:
    SentenceTest() {
        gps.NMEA = [this](std::string& sentence, bool& chkerr) {
            sentences.push_back(sentence);
            matched.push_back(chkerr);
        };
    }
    std::vector<std::string> sentences;
    std::vector<bool> matched;
};

struct SentenceCase {
    const char* name;
    std::string input;
    bool ignoreCheckSum;
    std::vector<std::string> sentences;
    std::vector<bool> matched;
};

TEST_F(SentenceTest, SentencesAreCutAndTheirChecksumsTested) {
    const SentenceCase cases[] = {
        {"upper-case checksum matches", "$PMGNCMD,END*3D\r\n", false, {"$PMGNCMD,END*3D"}, {true}},
        {"lower-case checksum differs", "$PMGNCMD,END*3d\r\n", false, {"$PMGNCMD,END*3d"}, {false}},
        {"no checksum is not tested", "$GPGLL,1\r\n", false, {"$GPGLL,1"}, {false}},
        {"TEXT is never tested", "@PMGNCMD,END*3D\r\n", false, {"@PMGNCMD,END*3D"}, {false}},
        {"ignored checksum", "$PMGNCMD,END*3D\r\n", true, {"$PMGNCMD,END*3D"}, {false}},
        {"two in one read", "$A*41\r\n$B*42\r\n", false, {"$A*41", "$B*42"}, {true, true}},
        {"noise lines before the sentence", "xx\r\n\r\n$A*41\r\n", false, {"$A*41"}, {true}},
        {"no line end yet", "$A*41", false, {}, {}},
        {"line end before any sentence start", "abc\r\n", false, {}, {}},
    };
    for (const auto& c : cases) {
        sentences.clear();
        matched.clear();
        host.sentencesSeen = false;
        gps.IgnoreCheckSum(c.ignoreCheckSum);
        feed(c.input);
        EXPECT_EQ(sentences, c.sentences) << c.name;
        EXPECT_EQ(matched, c.matched) << c.name;
        EXPECT_EQ(host.sentencesSeen, !c.sentences.empty()) << c.name;
        port.event = 1001;
        gps.KelvComm_OnComm();
    }
}

TEST_F(SentenceTest, SentenceCompletesWhenItsLineEndArrives) {
    feed("$A*4");
    feed("1\r");
    EXPECT_TRUE(sentences.empty());
    feed("\n");
    EXPECT_EQ(sentences, (std::vector<std::string>{"$A*41"}));
    EXPECT_EQ(gps.pendingInput(), 1u);  // the LF stays in front
}

TEST_F(SentenceTest, FiftyFirstWrongChecksumIsReported) {
    for (int i = 0; i < 50; ++i) feed("$A*00\r\n");
    EXPECT_TRUE(host.errors.empty());
    feed("$A*00\r\n");
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].code, 0);
    EXPECT_EQ(host.errors[0].message,
              "There have been more than 50 check sum errors on port 1\r\n"
              "Verify that your receiver is putting out check sums");
    EXPECT_TRUE(host.errors[0].packet.empty());
    for (int i = 0; i < 50; ++i) feed("$A*00\r\n");  // the count started over
    EXPECT_EQ(host.errors.size(), 1u);
}

TEST_F(SentenceTest, UntestedSentencesAreNeverCounted) {
    for (int i = 0; i < 60; ++i) feed("@A*00\r\n");
    gps.IgnoreCheckSum(true);
    for (int i = 0; i < 60; ++i) feed("$A*00\r\n");
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(SentenceTest, FrameEndWinsOverASentence) {
    const Bytes point = frame(34, Bytes(13, 0));
    feed(point + bytes("$A*41\r\n"));
    EXPECT_EQ(host.received, (Bytes{34}));
    EXPECT_EQ(sentences, (std::vector<std::string>{"$A*41"}));
}

TEST_F(SentenceTest, FrameAfterASentenceIsSpoiledByTheLeftoverLineFeed) {
    const Bytes point = frame(34, Bytes(13, 0));
    feed("$A*41\r\n");
    feed(point);
    EXPECT_TRUE(host.received.empty());
    feed(point);  // the receiver's repeat gets through
    EXPECT_EQ(host.received, (Bytes{34}));
}

}  // namespace
}  // namespace garmin::test
