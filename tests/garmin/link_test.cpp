// The sending half of the link: wire bytes, refusals, the reply timer, the trace.
#include "fakes.h"

namespace garmin::test {
namespace {

using LinkTest = EngineTest;

struct WireCase {
    const char* name;
    Bytes packet;  // as a caller builds it: checksum and frame end are placeholders
    const char* wire;
};

TEST_F(LinkTest, SendFramesChecksumsAndDoubles) {
    const WireCase cases[] = {
        {"product request", {16, 254, 0, 0, 16, 3}, "10 FE 00 02 10 03"},
        {"acknowledgement of 34", {16, 6, 2, 34, 0, 0, 16, 3}, "10 06 02 22 00 D6 10 03"},
        {"data byte 16 doubled, size counts it once",
         {16, 20, 1, 16, 0, 16, 3},
         "10 14 01 10 10 DB 10 03"},
        {"checksum 16 doubled before 16 03", {16, 200, 1, 39, 0, 16, 3}, "10 C8 01 27 10 10 10 03"},
        {"identifier 16 sent once", {16, 16, 0, 0, 16, 3}, "10 10 00 F0 10 03"},
        {"sum a multiple of 256 gives 0", {16, 250, 2, 4, 0, 0, 16, 3}, "10 FA 02 04 00 00 10 03"},
        {"placeholders are ignored", {0, 254, 0, 77, 88, 99}, "10 FE 00 02 10 03"},
    };
    for (const auto& c : cases) {
        gps.Send(c.packet);
        EXPECT_EQ(takeWritten(), hex(c.wire)) << c.name;
    }
}

TEST_F(LinkTest, LastPacketHoldsTheChecksumUndoubled) {
    gps.Send({16, 20, 1, 16, 0, 16, 3});
    EXPECT_EQ(gps.Last_Packet(), (Bytes{16, 20, 1, 16, 0xDB, 16, 3}));
}

TEST_F(LinkTest, SendRefusesWhatCannotBeAFrame) {
    gps.Send({16, 254, 0, 0, 16, 3});
    const Packet before = gps.Last_Packet();
    takeWritten();
    const Bytes tooShort[] = {{}, {16}, {16, 3}, {16, 254, 0, 16, 3}};
    for (const auto& packet : tooShort) {
        gps.Send(packet);
        EXPECT_TRUE(port.written.empty()) << packet.size();
        EXPECT_EQ(gps.Last_Packet(), before) << packet.size();
    }
    gps.PortClose();
    gps.Send({16, 34, 0, 0, 16, 3});
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(gps.Last_Packet(), before);
}

struct TimerCase {
    const char* name;
    Bytes packet;
    bool responseNotNeeded;
    bool armedBefore;
    bool armedAfter;
};

TEST_F(LinkTest, SendArmsTheReplyTimerUnlessNoReplyComes) {
    const TimerCase cases[] = {
        {"acknowledgement leaves it disarmed", {16, 6, 2, 34, 0, 0, 16, 3}, false, false, false},
        {"acknowledgement leaves it armed", {16, 6, 2, 34, 0, 0, 16, 3}, false, true, true},
        {"refusal arms", {16, 21, 2, 34, 0, 0, 16, 3}, false, false, true},
        {"request arms", {16, 254, 0, 0, 16, 3}, false, false, true},
        {"power off", {16, 10, 2, 8, 0, 0, 16, 3}, false, true, false},
        {"stop position output", {16, 10, 2, 50, 0, 0, 16, 3}, false, true, false},
        {"transfer reset", {16, 10, 2, 0, 0, 0, 16, 3}, false, true, false},
        {"track request arms", {16, 10, 2, 6, 0, 0, 16, 3}, false, false, true},
        {"code 8 under another identifier arms", {16, 12, 2, 8, 0, 0, 16, 3}, false, false, true},
        {"no response needed", {16, 254, 0, 0, 16, 3}, true, true, false},
    };
    for (const auto& c : cases) {
        timer.armed = c.armedBefore;
        gps.Send(c.packet, c.responseNotNeeded);
        EXPECT_EQ(timer.armed, c.armedAfter) << c.name;
    }
}

TEST_F(LinkTest, TraceShowsTheWireBytesWithTheDirection) {
    std::vector<std::string> lines;
    gps.HexDebug = [&](std::string& text) { lines.push_back(text); };
    gps.Send({16, 254, 0, 0, 16, 3});
    feed(frame(255, {16, 0}));
    ASSERT_EQ(lines.size(), 3u);  // request, incoming product data, our acknowledgement
    EXPECT_EQ(lines[0], std::string("PC -\xBB GPS 10 FE 00 02 10 03 "));
    // Incoming frames are traced after the doubled 16s are removed.
    EXPECT_EQ(lines[1], std::string("PC \xAB- GPS 10 FF 02 10 00 EF 10 03 "));
}

TEST_F(LinkTest, PortOpenPassesPortAndSettingsOnce) {
    EXPECT_EQ(port.openedPort, 1);
    EXPECT_EQ(port.openedSettings, "9600,n,8,1");
    gps.Port(3);
    gps.Settings("4800,n,8,1");
    EXPECT_TRUE(gps.PortOpen());  // already open: the old settings stay
    EXPECT_EQ(port.opens, 1);
    gps.PortClose();
    EXPECT_TRUE(gps.PortOpen());
    EXPECT_EQ(port.openedPort, 3);
    EXPECT_EQ(port.openedSettings, "4800,n,8,1");
    feed(std::string("$GPRMC,1"));  // half a sentence when the port closes
    EXPECT_GT(gps.pendingInput(), 0u);
    gps.PortClose();
    EXPECT_EQ(gps.pendingInput(), 0u) << "a new session starts with an empty buffer";
    gps.Port(99);  // the fake has no port 99
    EXPECT_FALSE(gps.PortOpen());
}

TEST_F(LinkTest, PortCloseDisarmsAndCloses) {
    gps.Request_Product_Data();
    ASSERT_TRUE(timer.armed);
    gps.PortClose();
    EXPECT_FALSE(timer.armed);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(LinkTest, ResetDiscardsInputAndSendsTheResetCommand) {
    port.input = "stale";
    gps.Reset();
    EXPECT_TRUE(port.input.empty());
    EXPECT_EQ(takeWritten(), hex("10 0A 02 00 00 F4 10 03"));
    EXPECT_FALSE(timer.armed);
}

TEST_F(LinkTest, TrimNull) {
    struct Case {
        std::string in, result, trimmed;
    };
    const Case cases[] = {
        {std::string("  abc\0def", 9), "abc", std::string("abc\0def", 7)},
        {"  abc  ", "abc", "abc"},
        {"", "", ""},
        {"   ", "", ""},
        {std::string("\0x", 2), "", std::string("\0x", 2)},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(gps.TrimNull(text), c.result);
        EXPECT_EQ(text, c.trimmed);
    }
    EXPECT_EQ(gps.Address_Of(-42), -42);
}

}  // namespace
}  // namespace garmin::test
