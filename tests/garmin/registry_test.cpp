// The capability registry: defaults, the capability report, L002, product data, counts.
#include "fakes.h"

namespace garmin::test {
namespace {

using RegistryTest = EngineTest;

struct NamesCase {
    const char* name;
    std::vector<std::pair<char, int>> report;
    std::vector<std::string> names;  // Link, WPT, Wfmt, RTE, Rfmt, RWfmt, TRK, Tfmt, PRX, Pfmt
};

std::vector<std::string> namesOf(const cGarminGPS& g) {
    return {
        g.Link_Protocol(),           g.WayPoint_Transfer_Protocol(), g.Waypoint_Data_Format(),
        g.Route_Transfer_Protocol(), g.Route_Data_Format(),          g.Route_Wpt_Data_Format(),
        g.Track_Transfer_Protocol(), g.Track_Data_Format(),          g.Prox_Wpt_Transfer_Protocol(),
        g.Prox_Wpt_Data_Format()};
}

const std::string kEmpty = std::string(1, '\0') + "0";

TEST_F(RegistryTest, CapabilityReportFillsTheNamesBySlot) {
    const NamesCase cases[] = {
        {"example report",
         {{'P', 0},
          {'L', 1},
          {'A', 10},
          {'A', 100},
          {'D', 103},
          {'A', 201},
          {'D', 202},
          {'D', 108},
          {'D', 210},
          {'A', 301},
          {'D', 310},
          {'D', 301},
          {'A', 400},
          {'D', 403}},
         {"L001", "A100", "D103", "A201", "D202", "D108", "A301", "D310", "A400", "D403"}},
        {"zero fill of the link only",
         {{'L', 12}, {'A', 300}, {'D', 10}},
         {"L012", kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, "A300", "D10", kEmpty, kEmpty}},
        {"A10xx lands in slot 10; A23xx and negative quotients are dropped",
         {{'L', 1}, {'A', 1050}, {'A', 2300}, {'A', -150}, {'X', 300}},
         {"L001", kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, "A1050", kEmpty}},
        {"D before anything lands in slot 1",
         {{'D', 10}},
         {std::string("D010"), kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty, kEmpty,
          kEmpty}},
    };
    for (const auto& c : cases) {
        report(c.report);
        EXPECT_EQ(namesOf(gps), c.names) << c.name;
        EXPECT_EQ(gps.PID_Records(), 27) << c.name;
        EXPECT_EQ(gps.PID_Command_Data(), 10) << c.name;
    }
}

TEST_F(RegistryTest, WithoutAReportTheEngineSpeaksL001AndD300) {
    EXPECT_EQ(namesOf(gps), (std::vector<std::string>{"L001", "A100", "D100", "A200", "D200",
                                                      "D100", "A300", "D300", "A400", "D400"}));
    EXPECT_EQ(gps.Incoming_Records_Count(), 0);
}

TEST_F(RegistryTest, L002ReportMovesNumbersAndCommandPackets) {
    report({{'P', 0}, {'L', 2}, {'A', 10}, {'A', 301}, {'D', 310}, {'D', 301}});
    EXPECT_EQ(gps.Link_Protocol(), "L002");
    const Bytes ids = {gps.PID_Almanac_Data(), gps.PID_Command_Data(),  gps.PID_Xfer_Cmplt(),
                       gps.PID_Date_Time(),    gps.PID_Position_Data(), gps.PID_Records(),
                       gps.PID_Rte_Hdr(),      gps.PID_Wpt_Data(),      gps.PID_Trk_Data(),
                       gps.PID_Trk_Hdr()};
    EXPECT_EQ(ids, (Bytes{4, 11, 12, 20, 24, 35, 37, 43, 34, 99}));
    const Bytes commands = {gps.CMND_Reset_Transfer(), gps.CMND_Transfer_Alm(),
                            gps.CMND_Transfer_Rte(),   gps.CMND_Transfer_Time(),
                            gps.CMND_Transfer_Wpt(),   gps.CMND_Turn_Off_Pwr(),
                            gps.CMND_Transfer_Trk()};
    EXPECT_EQ(commands, (Bytes{0, 4, 8, 20, 21, 26, 6}));

    // The receiver only understands commands under the L002 identifier and codes.
    struct Case {
        std::function<void()> send;
        Bytes wire;
        bool armed;
    };
    const Case cases[] = {
        {[&] { gps.Request_Tracks(); }, frame(11, {6, 0}), true},
        {[&] { gps.Request_Date_Time(); }, frame(11, {20, 0}), true},
        {[&] { gps.Power_Off(); }, frame(11, {26, 0}), false},
        {[&] { gps.Pvt_Data_Stop(); }, frame(11, {50, 0}), false},
        {[&] { gps.Reset(); }, frame(11, {0, 0}), false},
        {[&] { gps.Start_of_Records(3); }, frame(35, {3, 0}), true},
        {[&] { gps.End_of_Records(); }, frame(12, {0, 0}), true},
        {[&] { gps.Request_Product_Data(); }, frame(254, {}), true},
    };
    for (const auto& c : cases) {
        timer.armed = false;
        c.send();
        EXPECT_EQ(takeWritten(), c.wire);
        EXPECT_EQ(timer.armed, c.armed);
    }

    report({{'L', 1}});  // an engine on L002 stays there
    EXPECT_EQ(gps.Link_Protocol(), "L001");
    EXPECT_EQ(gps.PID_Records(), 35);
    // And the L002 records packet is the one the window counts from.
    feed(frame(35, {0x2C, 0x01}));
    EXPECT_EQ(gps.Incoming_Records_Count(), 300);
}

struct ProductCase {
    const char* name;
    Bytes data;
    std::int16_t id, version;
    std::string first, second;
};

TEST_F(RegistryTest, ProductDataFillsTheProductRecord) {
    const ProductCase cases[] = {
        {"one text", Bytes{0xD5, 0x00, 0x2C, 0x01} + bytes("eTrex") + Bytes{0}, 213, 300, "eTrex",
         ""},
        {"two texts, a third ignored",
         Bytes{0xD5, 0x00, 0x2C, 0x01} + bytes("A") + Bytes{0} + bytes("B") + Bytes{0} + bytes("C"),
         213, 300, "A", "B"},
        {"text without its zero", Bytes{1, 0, 2, 0} + bytes("GPS 12"), 1, 2, "GPS 12", ""},
        {"negative numbers", {0xFF, 0xFF, 0xFE, 0xFF}, -1, -2, "", ""},
        {"three bytes", {0xD5, 0x00, 0x2C}, 213, 0, "", ""},
        {"one byte", {0xD5}, 0, 0, "", ""},
        {"no data", {}, 0, 0, "", ""},
    };
    for (const auto& c : cases) {
        gps.Product_Data.Product_Description_1 = "old";
        gps.Product_Data.Product_Description_2 = "old";
        feed(frame(255, c.data));
        EXPECT_EQ(gps.Product_Data.Product_ID, c.id) << c.name;
        EXPECT_EQ(gps.Product_Data.Software_Version, c.version) << c.name;
        EXPECT_EQ(gps.Product_Data.Product_Description_1, c.first) << c.name;
        EXPECT_EQ(gps.Product_Data.Product_Description_2, c.second) << c.name;
    }
}

TEST_F(RegistryTest, RecordsCountIsUnsigned) {
    const std::pair<Bytes, std::uint16_t> cases[] = {
        {{0x2C, 0x01}, 300}, {{0xFF, 0xFF}, 65535}, {{0x00, 0x80}, 32768}, {{0x05}, 0}, {{}, 0}};
    for (const auto& [data, count] : cases) {
        feed(frame(27, data));
        EXPECT_EQ(gps.Incoming_Records_Count(), count);
    }
}

}  // namespace
}  // namespace garmin::test
