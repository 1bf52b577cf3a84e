// The real QtUsbPort and QtUsbEnumeration on libusb, against a Garmin unit that umockdev
// plays (run_umockdev.sh): every byte written must be the one the unit's script expects,
// and every byte and event read must be the one it sends. Outside umockdev the cases are
// skipped, since they would reach the machine's own USB.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <fstream>
#include <vector>

#include "qt/qt_usb_enumeration.h"
#include "qt/qt_usb_port.h"
#include "tests/support/usb_exchange.h"

namespace {

constexpr int kEventWaitMs = 5000;

// The port with every event it delivered, as the download would see it.
struct PortRig {
    PortRig() {
        port.setEventHandler([this] {
            kinds.push_back(port.commEvent());
            reads.push_back(port.takeRead());
            openDuringEvent.push_back(port.isOpen());
        });
    }
    bool waitForEvents(std::size_t n) {
        return QTest::qWaitFor([&] { return kinds.size() >= n; }, kEventWaitMs);
    }
    app::QtUsbPort port;
    std::vector<int> kinds;
    std::vector<std::optional<seams::UsbRead>> reads;
    std::vector<bool> openDuringEvent;
};

class UsbUnderUmockdev : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("UMOCKDEV_DIR"))
            GTEST_SKIP() << "runs only under umockdev-run (run_umockdev.sh)";
    }
    static std::vector<testkit::UsbStep> exchange() {
        std::ifstream in(qEnvironmentVariable("KELVARON_USB_EXCHANGE").toStdString());
        return testkit::readUsbExchange(in);
    }
};

seams::UsbEndpoint endpointOf(const testkit::UsbStep& step) {
    return step.bulk ? seams::UsbEndpoint::Bulk : seams::UsbEndpoint::Interrupt;
}

}  // namespace

TEST_F(UsbUnderUmockdev, TheExchangePlaysByteForByte) {
    PortRig rig;
    ASSERT_TRUE(rig.port.open("usb")) << rig.port.openFailureText().toStdString();
    EXPECT_EQ(rig.port.packetSize(), 64u);
    EXPECT_TRUE(rig.port.openNotice().isEmpty());
    std::size_t events = 0;
    for (const testkit::UsbStep& step : exchange()) {
        if (step.out) {
            rig.port.write(step.bytes);
            continue;
        }
        rig.port.read(endpointOf(step));
        EXPECT_TRUE(rig.port.reading());
        ASSERT_TRUE(rig.waitForEvents(++events)) << "no event for read " << events;
        EXPECT_EQ(rig.kinds.back(), seams::kCommEvReceive);
        ASSERT_TRUE(rig.reads.back().has_value());
        EXPECT_EQ(rig.reads.back()->endpoint, endpointOf(step));
        EXPECT_EQ(rig.reads.back()->bytes, step.bytes) << "read " << events;
        EXPECT_FALSE(rig.port.reading());
    }
    EXPECT_EQ(rig.kinds.size(), events);
    rig.port.close();
    EXPECT_FALSE(rig.port.isOpen());
}

TEST_F(UsbUnderUmockdev, AnUnplugEndsThePort) {
    PortRig rig;
    ASSERT_TRUE(rig.port.open("usb:1")) << rig.port.openFailureText().toStdString();
    const auto steps = exchange();
    ASSERT_EQ(steps.size(), 2u);
    rig.port.write(steps[0].bytes);
    rig.port.read(endpointOf(steps[1]));
    ASSERT_TRUE(rig.waitForEvents(1));
    EXPECT_EQ(rig.kinds, std::vector<int>{app::kCommEvPortLost});
    EXPECT_FALSE(rig.reads[0].has_value());
    EXPECT_EQ(rig.openDuringEvent, std::vector<bool>{false});
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_FALSE(rig.port.reading());
    // A port that is gone takes nothing more and says nothing more.
    rig.port.write(steps[0].bytes);
    rig.port.read(seams::UsbEndpoint::Interrupt);
    QTest::qWait(300);
    EXPECT_EQ(rig.kinds.size(), 1u);
}

// The emulated unit answers no control transfer, so its product string cannot be read and
// the list names it by its place.
TEST_F(UsbUnderUmockdev, TheUnitIsListedByItsPlace) {
    const app::QtUsbEnumeration enumeration;
    for (int listing = 0; listing < 2; ++listing) {
        const auto units = enumeration.units();
        ASSERT_EQ(units.size(), 1u);
        EXPECT_EQ(units[0].id.toStdString(), "usb:1");
        EXPECT_EQ(units[0].busPath.toStdString(), "1-1");
        EXPECT_EQ(units[0].label().toStdString(), "Garmin USB — bus 1 port 1");
    }
}

// Numbered by bus, then by port, whatever their addresses and the order the system lists
// them in (three_units.umockdev).
TEST_F(UsbUnderUmockdev, UnitsAreNumberedInBusOrder) {
    std::vector<std::string> listed;
    for (const auto& unit : app::QtUsbEnumeration().units())
        listed.push_back((unit.id + ' ' + unit.busPath + ' ' + unit.name).toStdString());
    EXPECT_EQ(listed, (std::vector<std::string>{"usb:1 1-1 bus 1 port 1", "usb:2 1-3 bus 1 port 3",
                                                "usb:3 2-1 bus 2 port 1"}));
    PortRig rig;
    EXPECT_FALSE(rig.port.open("usb:4"));
    EXPECT_EQ(rig.port.openFailureText().toStdString(),
              "There is no Garmin USB unit usb:4: 3 Garmin USB units are attached.");
}

TEST_F(UsbUnderUmockdev, OpensByNumberOrPlace) {
    PortRig rig;
    EXPECT_FALSE(rig.port.open("usb:2"));
    EXPECT_EQ(rig.port.openFailureText().toStdString(),
              "There is no Garmin USB unit usb:2: 1 Garmin USB unit is attached.");
    EXPECT_FALSE(rig.port.open("usb:2-1"));
    EXPECT_EQ(rig.port.openFailureText().toStdString(),
              "There is no Garmin USB unit usb:2-1: 1 Garmin USB unit is attached.");
    EXPECT_FALSE(rig.port.open("usb:one"));
    EXPECT_FALSE(rig.port.isOpen());
    ASSERT_TRUE(rig.port.open("usb:1-1")) << rig.port.openFailureText().toStdString();
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_TRUE(rig.port.openFailureText().isEmpty());
    rig.port.close();
    // Closed and opened again: the unit was given back.
    ASSERT_TRUE(rig.port.open("usb")) << rig.port.openFailureText().toStdString();
    rig.port.close();
    EXPECT_TRUE(rig.kinds.empty());
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
