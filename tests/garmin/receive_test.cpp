// The receiving half: frame cutting, acknowledgements, refusals, resends, the timer.
#include "fakes.h"

namespace garmin::test {
namespace {

using ReceiveTest = EngineTest;

const Bytes kPoint = frame(34, le32(1u << 29) + le32(0) + le32(0) + Bytes{0});
// Points of their own: the same bytes twice in a row would be a resend, handled once.
Bytes pointAt(std::uint32_t time) {
    return frame(34, le32(1u << 29) + le32(0) + le32(time) + Bytes{0});
}

TEST_F(ReceiveTest, GoodFrameIsAcknowledgedBeforeTheWindowSeesIt) {
    Bytes writtenAtReceive;
    host.onReceive = [&](std::uint8_t) { writtenAtReceive = takeWritten(); };
    feed(kPoint);
    ASSERT_EQ(host.received, (Bytes{34}));
    EXPECT_EQ(host.firstData, (Bytes{0}));  // first data byte
    EXPECT_EQ(writtenAtReceive, hex("10 06 02 22 00 D6 10 03"));
    EXPECT_DOUBLE_EQ(gps.Track.lat, 45.0);
}

struct CutCase {
    const char* name;
    std::vector<Bytes> pieces;
    Bytes receivedIds;
    std::size_t pendingAfter;
};

TEST_F(ReceiveTest, FramesAreCutAtTheirUndoubledEnd) {
    const Bytes dle3 = frame(200, {16, 3, 7});  // wire holds 16 16 3 inside the data
    const Bytes doubledChecksum = frame(200, {39});
    const CutCase cases[] = {
        {"16 16 3 inside the data", {dle3}, {200}, 0},
        {"checksum 16 before the end", {doubledChecksum}, {200}, 0},
        {"two frames in one read", {kPoint + dle3}, {34, 200}, 0},
        {"three frames and a partial one",
         {kPoint + pointAt(1) + pointAt(2) + Bytes{16, 34}},
         {34, 34, 34},
         2},
        {"split inside a doubled pair",
         {Bytes(dle3.begin(), dle3.begin() + 4), Bytes(dle3.begin() + 4, dle3.end())},
         {200},
         0},
        {"split between the end bytes",
         {Bytes(kPoint.begin(), kPoint.end() - 1), Bytes{3}},
         {34},
         0},
        {"stray byte in front drops the frame", {Bytes{'x'} + kPoint + pointAt(3)}, {34}, 0},
        {"lone end is dropped", {Bytes{16, 3} + kPoint}, {34}, 0},
    };
    for (const auto& c : cases) {
        host.received.clear();
        for (const auto& piece : c.pieces) feed(piece);
        EXPECT_EQ(host.received, c.receivedIds) << c.name;
        EXPECT_EQ(gps.pendingInput(), c.pendingAfter) << c.name;
        port.event = 1001;  // a communication error empties the buffer for the next case
        gps.KelvComm_OnComm();
    }
}

TEST_F(ReceiveTest, FrameArrivingByteByByteIsHandledOnceComplete) {
    const Bytes dle3 = frame(34, {16, 3, 16, 16, 3});
    for (std::size_t i = 0; i + 1 < dle3.size(); ++i) {
        feed(Bytes{dle3[i]});
        ASSERT_TRUE(host.received.empty()) << i;
    }
    feed(Bytes{dle3.back()});
    EXPECT_EQ(host.received, (Bytes{34}));
}

TEST_F(ReceiveTest, ShortFramesAreNeverAccepted) {
    const Bytes shortFrames[] = {{16, 3}, {16, 34, 16, 3}, {16, 34, 0, 16, 3}, {16, 6, 16, 3}};
    for (const auto& f : shortFrames) {
        timer.armed = true;
        feed(f);
        EXPECT_TRUE(host.received.empty());
        EXPECT_TRUE(port.written.empty());
        EXPECT_TRUE(timer.armed);  // not a frame: no answer, the reply is still awaited
    }
}

TEST_F(ReceiveTest, ReceiverAcknowledgementIsAcceptedAndNotAnswered) {
    feed(ack(254));
    EXPECT_EQ(host.received, (Bytes{6}));
    EXPECT_TRUE(port.written.empty());
}

TEST_F(ReceiveTest, PositionStreamIsNeitherAcknowledgedNorRefused) {
    feed(frame(51, {1, 2, 3}));
    Bytes corrupt = frame(51, {1, 2, 3});
    corrupt[4] ^= 1;
    feed(corrupt);
    EXPECT_EQ(host.received, (Bytes{51}));
    EXPECT_TRUE(port.written.empty());
}

TEST_F(ReceiveTest, CorruptFrameIsRefusedFiveTimesThenReported) {
    std::vector<std::int16_t> linkErrors;
    gps.Link_Error = [&](std::int16_t& code, std::string& message, Packet& packet) {
        linkErrors.push_back(code);
        EXPECT_EQ(message, "Invalid message received from device on port 1");
        EXPECT_EQ(packet[1], 34);
    };
    Bytes corrupt = kPoint;
    corrupt[5] ^= 0x40;
    for (int i = 1; i <= 5; ++i) {
        feed(corrupt);
        EXPECT_EQ(takeWritten(), hex("10 15 02 22 00 C7 10 03")) << i;
    }
    feed(corrupt);
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(linkErrors, (std::vector<std::int16_t>{3}));
    EXPECT_TRUE(host.received.empty());
}

TEST_F(ReceiveTest, GoodFrameResetsTheRefusalCount) {
    int linkErrors = 0;
    gps.Link_Error = [&](std::int16_t&, std::string&, Packet&) { ++linkErrors; };
    Bytes corrupt = kPoint;
    corrupt[5] ^= 0x40;
    for (int i = 0; i < 5; ++i) feed(corrupt);
    feed(kPoint);
    for (int i = 0; i < 5; ++i) feed(corrupt);
    EXPECT_EQ(linkErrors, 0);
}

TEST_F(ReceiveTest, RefusedPacketIsResentFiveTimesThenReported) {
    std::vector<std::int16_t> linkErrors;
    gps.Link_Error = [&](std::int16_t& code, std::string& message, Packet&) {
        linkErrors.push_back(code);
        EXPECT_EQ(message, "Unable to communicate with device on port 1");
    };
    gps.Request_Tracks();
    const Bytes request = takeWritten();
    for (int i = 1; i <= 5; ++i) {
        feed(nak(10));
        EXPECT_EQ(takeWritten(), request) << i;
        EXPECT_TRUE(timer.armed);
    }
    feed(nak(10));
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(linkErrors, (std::vector<std::int16_t>{2}));
    EXPECT_FALSE(timer.armed);  // silent until the receiver speaks again
    EXPECT_EQ(host.received.size(), 6u);
}

TEST_F(ReceiveTest, SizeByteZeroIsCorrectedBeforeTheChecksumTest) {
    feed(frame(200, {1, 2}, 0));  // checksum made with size 0: wrong once corrected
    EXPECT_EQ(takeWritten(), frame(21, {200, 0}));
    Bytes corrected = frame(200, {1, 2});
    corrected[2] = 0;  // checksum made with the real count, size byte left 0
    feed(corrected);
    EXPECT_EQ(host.received, (Bytes{200}));
}

TEST_F(ReceiveTest, SizeByteIsNeverTrustedForIndexing) {
    // Each decoder gets frames whose size byte claims far more, or less, than arrived.
    report({{'L', 1}, {'A', 301}, {'D', 301}});
    host.received.clear();
    for (const std::uint8_t id : {27, 255, 99, 34, 253}) {
        feed(frame(id, {1}, 255));
        feed(frame(id, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 1));
        feed(frame(id, {}, 200));
    }
    EXPECT_EQ(host.received.size(), 15u);
}

struct ArmCase {
    std::uint8_t id;
    bool armed;
};

TEST_F(ReceiveTest, FramesThatAnnounceMoreKeepTheTimerArmed) {
    const ArmCase cases[] = {{34, true},  {99, true},   {27, true}, {35, true}, {19, true},
                             {29, true},  {30, true},   {98, true}, {51, true}, {12, false},
                             {31, false}, {255, false}, {6, false}, {14, false}};
    for (const auto& c : cases) {
        timer.armed = !c.armed;
        feed(c.id == 6 ? ack(0) : frame(c.id, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(timer.armed, c.armed) << int(c.id);
    }
}

TEST_F(ReceiveTest, FourthTickWithoutAFrameReportsNoResponse) {
    gps.Request_Product_Data();
    feed(Bytes{16, 255, 4});  // part of a frame, discarded with the report
    for (int i = 0; i < 3; ++i) gps.KelvTmrTimeout_Timer();
    EXPECT_TRUE(host.errors.empty());
    gps.KelvTmrTimeout_Timer();
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].code, 1);
    EXPECT_EQ(host.errors[0].message, "No response from device on port 1");
    EXPECT_EQ(host.errors[0].packet, gps.Last_Packet());
    EXPECT_FALSE(timer.armed);
    EXPECT_EQ(gps.pendingInput(), 0u);
}

TEST_F(ReceiveTest, FrameRestartsTheTickCount) {
    for (int i = 0; i < 3; ++i) gps.KelvTmrTimeout_Timer();
    feed(kPoint);
    for (int i = 0; i < 3; ++i) gps.KelvTmrTimeout_Timer();
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(ReceiveTest, TimeoutAfterSentencesSpeaksOfNmea) {
    gps.Port(2);
    feed("$GPGLL*00\r\n");
    for (int i = 0; i < 4; ++i) gps.KelvTmrTimeout_Timer();
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].message, "No longer receiving NMEA/TEXT data on port 2");
}

TEST_F(ReceiveTest, CommunicationErrorDropsThePartialFrame) {
    feed(Bytes(kPoint.begin(), kPoint.begin() + 6));
    port.input = "more";
    port.event = 1002;
    gps.KelvComm_OnComm();
    EXPECT_TRUE(port.input.empty());
    feed(Bytes(kPoint.begin() + 6, kPoint.end()));
    EXPECT_TRUE(host.received.empty());
    port.event = 1000;  // not an error kind: nothing happens
    port.input = str(kPoint);
    gps.KelvComm_OnComm();
    EXPECT_EQ(port.input, str(kPoint));
}

TEST_F(ReceiveTest, HostileFloodKeepsTheBufferBounded) {
    const std::string junk(100 * 1024, 'x');
    feed(junk);
    feed(junk);
    EXPECT_LE(gps.pendingInput(), RxBuffer::kCapacity);
    feed(kPoint);  // the junk in front spoils this one; the receiver repeats it
    feed(kPoint);
    EXPECT_EQ(host.received, (Bytes{34}));
    EXPECT_EQ(gps.pendingInput(), 0u);
}

TEST_F(ReceiveTest, NestedEventFromTheWindowLosesNothing) {
    // The window's message box lets the port's next event run inside Receive.
    bool nested = false;
    host.onReceive = [&](std::uint8_t) {
        if (nested) return;
        nested = true;
        feed(pointAt(3));
    };
    feed(pointAt(1) + pointAt(2));
    EXPECT_EQ(host.received, (Bytes{34, 34, 34}));
    EXPECT_EQ(gps.pendingInput(), 0u);
}

}  // namespace
}  // namespace garmin::test
