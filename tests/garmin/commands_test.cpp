// Device commands, the pacing wait and the sentence checksum.
#include "fakes.h"

namespace garmin::test {
namespace {

using CommandsTest = EngineTest;

struct CommandCase {
    const char* name;
    void (cGarminGPS::*send)();
    const char* wire;
    bool armed;
};

TEST_F(CommandsTest, EachRequestSendsItsPacket) {
    const CommandCase cases[] = {
        {"product request", &cGarminGPS::Request_Product_Data, "10 FE 00 02 10 03", true},
        {"tracks", &cGarminGPS::Request_Tracks, "10 0A 02 06 00 EE 10 03", true},
        {"date and time", &cGarminGPS::Request_Date_Time, "10 0A 02 05 00 EF 10 03", true},
        {"start position output", &cGarminGPS::Pvt_Data_Start, "10 0A 02 31 00 C3 10 03", true},
        {"stop position output", &cGarminGPS::Pvt_Data_Stop, "10 0A 02 32 00 C2 10 03", false},
        {"power off", &cGarminGPS::Power_Off, "10 0A 02 08 00 EC 10 03", false},
        {"voltages", &cGarminGPS::Request_Voltages, "10 0A 02 11 00 E3 10 03", true},
        {"display", &cGarminGPS::Request_Display, "10 0A 02 20 00 D4 10 03", true},
        {"transfer complete", &cGarminGPS::End_of_Records, "10 0C 02 00 00 F2 10 03", true},
    };
    for (const auto& c : cases) {
        timer.armed = !c.armed;
        (gps.*c.send)();
        EXPECT_EQ(takeWritten(), hex(c.wire)) << c.name;
        EXPECT_EQ(timer.armed, c.armed) << c.name;
    }
}

TEST_F(CommandsTest, StartOfRecordsCarriesTheCount) {
    gps.Start_of_Records(300);
    EXPECT_EQ(takeWritten(), hex("10 1B 02 2C 01 B6 10 03"));
    gps.Start_of_Records(5);
    EXPECT_EQ(takeWritten(), hex("10 1B 02 05 00 DE 10 03"));
    gps.Start_of_Records(65535);
    EXPECT_EQ(takeWritten(), hex("10 1B 02 FF FF E5 10 03"));
}

TEST_F(CommandsTest, NmeaChecksum) {
    const std::pair<std::string, const char*> cases[] = {
        {"$PMGNCMD,END", "3D"},
        {"$PMGNCMD,END*3D", "3D"},
        {"$PMGNCMD,END*00", "3D"},
        {"", "00"},
        {"$", "00"},
        {"x", "00"},
        {"$\x0A", "0A"},
        {"#A", "41"},
        {"$AB*C", "03"},
    };
    for (const auto& [msg, checksum] : cases) EXPECT_EQ(gps.NMEA_Checksum(msg), checksum) << msg;
}

struct WaitCase {
    const char* name;
    double start;
    std::int32_t duration;
};

TEST_F(CommandsTest, WaitForEndsAfterElapsedTimeWithoutSpinning) {
    const WaitCase cases[] = {
        {"two seconds", 100.0, 2},
        {"across midnight", 86399.5, 2},
        {"zero", 5.0, 0},
        {"negative", 5.0, -3},
    };
    for (const auto& c : cases) {
        clock.now = c.start;
        pump.waits.clear();
        gps.WaitFor(c.duration);
        const double waited = clock.now - c.start;
        EXPECT_GE(waited, std::max(0, c.duration)) << c.name;
        EXPECT_LT(waited, std::max(0, c.duration) + 0.051) << c.name;
        for (const int ms : pump.waits) {
            EXPECT_GT(ms, 0) << c.name;
            EXPECT_LE(ms, 50) << c.name;
        }
        if (c.duration <= 0) {
            EXPECT_TRUE(pump.waits.empty()) << c.name;
        }
    }
}

TEST_F(CommandsTest, WaitForDeliversWhatArrivesMeanwhile) {
    int calls = 0;
    pump.onEvents = [&] {
        if (++calls == 3) feed(frame(255, Bytes{0xD5, 0x00, 0x2C, 0x01}));
    };
    gps.Request_Product_Data();
    gps.WaitFor(2);
    EXPECT_EQ(host.received, (Bytes{255}));
    EXPECT_EQ(gps.Product_Data.Product_ID, 213);
}

}  // namespace
}  // namespace garmin::test
