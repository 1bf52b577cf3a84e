// The window's small helpers: reading the deviation text, numbering output names,
// line settings, stored values and the port-to-device map.
#include <gtest/gtest.h>

#include <cmath>

#include "app/deviation.h"
#include "app/line_settings.h"
#include "app/output_name.h"
#include "app/port_map.h"
#include "tests/app/support/fakes.h"

namespace {

struct NumberCase {
    const char* text;
    double value;
};

class ReadNumberText : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumberText, ReadsTheLeadingNumberIgnoringBlanks) {
    EXPECT_DOUBLE_EQ(app::Read_Number_Text(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberText,
    ::testing::Values(NumberCase{"5", 5}, NumberCase{"90", 90}, NumberCase{"4.9", 4.9},
                      NumberCase{"", 0}, NumberCase{"abc", 0}, NumberCase{"45 abc", 45},
                      NumberCase{" 4 5", 45}, NumberCase{"4\t5\n", 45}, NumberCase{"-12", -12},
                      NumberCase{"+7.5", 7.5}, NumberCase{".5", 0.5}, NumberCase{"1.", 1},
                      NumberCase{"1e1", 10}, NumberCase{"1E+1x", 10}, NumberCase{"1e", 1},
                      NumberCase{"2e-", 2}, NumberCase{"-", 0}, NumberCase{".", 0},
                      NumberCase{"+-5", 0}, NumberCase{"1e-400", 0}, NumberCase{"3,5", 3},
                      NumberCase{"12\r", 12}));

TEST(ReadNumberText, HugeExponentIsBeyondEveryRange) {
    EXPECT_TRUE(std::isinf(app::Read_Number_Text("1e400")));
    EXPECT_LT(app::Read_Number_Text("-1e400"), -1e300);
}

TEST(DeviationForPass, RoundsHalvesToEvenAndRefusesWhatDoesNotFit16Bits) {
    const struct {
        double in;
        std::optional<std::int16_t> out;
    } cases[] = {{5, 5},
                 {44.5, 44},
                 {45.5, 46},
                 {45.4999, 45},
                 {-2.5, -2},
                 {32767.4, 32767},
                 {32767.5, std::nullopt},
                 {-32768.5, -32768},
                 {-32769, std::nullopt},
                 {HUGE_VAL, std::nullopt},
                 {NAN, std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(app::Deviation_For_Pass(c.in), c.out) << c.in;
}

TEST(NumberedOutputName, NumberGoesBeforeTheExtensionOfTheFileName) {
    const struct {
        const char* base;
        int n;
        char sep;
        const char* name;
    } cases[] = {
        {"C:\\gps\\track.txt", 1, '\\', "C:\\gps\\track1.txt"},
        {"C:\\gps\\track.txt", 2, '\\', "C:\\gps\\track2.txt"},
        {"C:\\gps.old\\track", 1, '\\', "C:\\gps.old\\track1"},
        {"track", 1, '\\', "track1"},
        {"a.b.txt", 1, '\\', "a.b1.txt"},
        {"/home/u/gps.old/track", 3, '/', "/home/u/gps.old/track3"},
        {"/home/u/track.txt", 12, '/', "/home/u/track12.txt"},
        {"/home/u/.hidden", 1, '/', "/home/u/1.hidden"},
        {"", 1, '/', "1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::Numbered_Output_Name(c.base, c.n, QChar(c.sep)), QString(c.name)) << c.base;
}

TEST(LineSettings, ReadsSpeedParityDataAndStopBits) {
    using P = app::Line_Settings::Parity;
    using S = app::Line_Settings::Stop_Bits;
    const auto a = app::Parse_Line_Settings("9600,n,8,1");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->speed, 9600);
    EXPECT_EQ(a->parity, P::None);
    EXPECT_EQ(a->dataBits, 8);
    EXPECT_EQ(a->stopBits, S::One);
    const auto b = app::Parse_Line_Settings("110,E,7,1.5");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->parity, P::Even);
    EXPECT_EQ(b->stopBits, S::OneAndHalf);
    for (const char* bad :
         {"", "9600", "9600,n,8", "9600,n,8,1,1", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1",
          "9600,x,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3", "9600,nn,8,1", "9600 ,n,8,1"})
        EXPECT_FALSE(app::Parse_Line_Settings(bad)) << bad;
}

TEST(PortMap, PortsMapToSerialDevicesUnlessTheStoreSaysOtherwise) {
    kelvaron_test::MemoryStore store;
    store.set("COM2", "/dev/ttyUSB0", "Ports");
    store.set("COM3", "  ", "Ports");
    EXPECT_EQ(app::Port_Label(1), "COM1");
#ifdef Q_OS_WIN
    EXPECT_EQ(app::Device_For_Port(2, store), "COM2");
#else
    EXPECT_EQ(app::Device_For_Port(1, store), "/dev/ttyS0");
    EXPECT_EQ(app::Device_For_Port(2, store), "/dev/ttyUSB0");
    EXPECT_EQ(app::Device_For_Port(3, store), "/dev/ttyS2");
    EXPECT_EQ(app::Device_For_Port(9, store), "/dev/ttyS8");
#endif
}

}  // namespace
