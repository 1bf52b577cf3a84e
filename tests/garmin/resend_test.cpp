// A receiver that misses our acknowledgement sends the same packet again; the engine
// acknowledges the copy but neither decodes it nor hands it to the window.
#include <functional>

#include "fakes.h"

namespace garmin::test {
namespace {

using ResendTest = EngineTest;

// Two points one second apart at the same place: the time alone tells them apart.
Bytes point(std::uint32_t time) {
    return frame(34, le32(1u << 29) + le32(1u << 28) + le32(time) + Bytes{0});
}
const Bytes kPoint = point(1000);
const Bytes kNextPoint = point(1001);
const Bytes kRecords = frame(27, {3, 0});
const Bytes kComplete = frame(12, {6, 0});
const Bytes kProduct = frame(255, {73, 0, 44, 1, 'e', 'T', 'r', 'e', 'x', 0});
const Bytes kPosition = frame(51, Bytes(64, 7));

Bytes corrupted(Bytes wire) {
    wire[4] ^= 0x01;  // a data byte, framing intact
    return wire;
}

// One step of a dialogue: bytes from the receiver, or something the engine does itself.
struct Step {
    Bytes input;
    std::function<void(cGarminGPS&)> action = {};
};

struct ResendCase {
    const char* name;
    std::vector<Step> steps;
    Bytes receivedIds;  // what reaches the window, in order
    int acknowledgements;
};

TEST_F(ResendTest, CopiesOfTheLastAcknowledgedPacketReachTheWindowOnce) {
    const auto request = [](cGarminGPS& g) { g.Request_Product_Data(); };
    const auto ticks = [](cGarminGPS& g) {
        for (int i = 0; i < 4; ++i) g.KelvTmrTimeout_Timer();
    };
    const ResendCase cases[] = {
        {"point sent again", {{kPoint}, {kPoint}}, {34}, 2},
        {"point sent three times", {{kPoint}, {kPoint}, {kPoint}}, {34}, 3},
        {"both copies in one read", {{kPoint + kPoint}}, {34}, 2},
        {"garbled copy refused, then the copy", {{kPoint}, {corrupted(kPoint)}, {kPoint}}, {34}, 2},
        {"noise in front of a copy drops it, then the copy",
         {{kPoint}, {Bytes{'x', 'y'} + kPoint}, {kPoint}},
         {34},
         2},
        {"copy after a silence long enough to report", {{kPoint}, {{}, ticks}, {kPoint}}, {34}, 2},
        {"records packet sent again", {{kRecords}, {kRecords}, {kPoint}}, {27, 34}, 3},
        {"transfer complete sent again", {{kPoint}, {kComplete}, {kComplete}}, {34, 12}, 3},
        {"next point differs only in time", {{kPoint}, {kNextPoint}}, {34, 34}, 2},
        {"same point after another one", {{kPoint}, {kNextPoint}, {kPoint}}, {34, 34, 34}, 3},
        {"same point after the receiver's acknowledgement",
         {{kPoint}, {ack(254)}, {kPoint}},
         {34, 6, 34},
         2},
        {"same point after a position report", {{kPoint}, {kPosition}, {kPoint}}, {34, 51, 34}, 2},
        {"same answer to a repeated request",
         {{kProduct}, {{}, request}, {kProduct}},
         {255, 255},
         2},
        {"same answer, garbled first, to a repeated request",
         {{kProduct}, {{}, request}, {corrupted(kProduct)}, {kProduct}},
         {255, 255},
         2},
        {"position reports are never acknowledged, never dropped",
         {{kPosition}, {kPosition}},
         {51, 51},
         0},
    };
    for (const auto& c : cases) {
        cGarminGPS engine(port, timer, pump, clock, host);
        engine.Settings("9600,n,8,1");
        engine.PortOpen();
        host.received.clear();
        port.written.clear();
        for (const auto& step : c.steps) {
            if (step.action) step.action(engine);
            if (step.input.empty()) continue;
            port.input += str(step.input);
            port.event = kCommEvReceive;
            engine.KelvComm_OnComm();
        }
        int acks = 0;
        for (const auto& w : port.written) acks += w.size() > 1 && w[1] == 6;
        EXPECT_EQ(host.received, c.receivedIds) << c.name;
        EXPECT_EQ(acks, c.acknowledgements) << c.name;
    }
}

TEST_F(ResendTest, CopyIsAcknowledgedWithItsIdentifierBeforeAnythingElse) {
    feed(kPoint);
    takeWritten();
    feed(kPoint);
    EXPECT_EQ(takeWritten(), hex("10 06 02 22 00 D6 10 03"));
    EXPECT_TRUE(timer.armed);  // more points are still expected
}

TEST_F(ResendTest, CopyDoesNotOverwriteTheRecordTheWindowReads) {
    feed(kPoint);
    gps.Track.Time = "read by the window";
    feed(kPoint);
    EXPECT_EQ(gps.Track.Time, "read by the window");
}

}  // namespace
}  // namespace garmin::test
