// Magellan downloads end to end: the real window and serial port against
// kelvaron-sim --protocol magellan through a pseudo-terminal.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "tests/e2e/support/e2e_harness.h"

namespace {

using kelvaron_e2e::Converted;
using kelvaron_e2e::Fixture;
using kelvaron_e2e::LiveWindow;
using kelvaron_e2e::Read_File;
using kelvaron_e2e::SimReceiver;

class MagellanEndToEnd : public ::testing::Test {
  protected:
    // Starts the simulated receiver and a window whose COM1 leads to it.
    void Start(QStringList simOptions, const QString& corSys = "0", const QString& reduce = "0",
               const QString& dev = "10") {
        simOptions << "--protocol"
                   << "magellan"
                   << "--dump-track" << dump();
        sim = std::make_unique<SimReceiver>(dir.path(), simOptions);
        ASSERT_TRUE(sim->started()) << sim->errors().toStdString();
        window = std::make_unique<LiveWindow>(dir.path());
        window->mapPort(1, sim->link());
        window->set("GPSType", "0");
        window->set("COM", "0");
        window->set("Speed", "11");
        window->set("FName", out());
        window->set("CorSys", corSys);
        window->set("Reduce", reduce);
        window->set("Dev", dev);
        window->open();
    }
    QString out() const { return dir.filePath("track.txt"); }
    QString dump() const { return dir.filePath("dump.txt"); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> m;
        for (const auto& s : window->dialogs.messages) m.push_back(s.toStdString());
        return m;
    }
    void Expect_Idle_Window() {
        for (const char* name : {"cmdSave", "cmbCOM", "cmbSpeed", "cmdBrowse", "txtFName",
                                 "cmbCorSys", "chkReduce", "txtDev", "cmbGPSType"})
            EXPECT_TRUE(window->access().control<QWidget>(name)->isEnabled()) << name;
        EXPECT_TRUE(window->leftoverPointFiles().isEmpty());
    }

    QTemporaryDir dir;
    std::unique_ptr<SimReceiver> sim;
    std::unique_ptr<LiveWindow> window;
};

struct FormCase {
    const char* name;
    const char* corSys;
    const char* reduce;
    const char* dev;
};

class OutputForms : public MagellanEndToEnd, public ::testing::WithParamInterface<FormCase> {};

TEST_P(OutputForms, TheFileHoldsExactlyTheConvertedTrack) {
    const auto& p = GetParam();
    Start({"--unpaced", "--once"}, p.corSys, p.reduce, p.dev);
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(Messages().empty()) << Messages().front();
    const QByteArray expected = Converted(dump(), QString(p.corSys) == "1",
                                          QString(p.reduce) == "1", QString(p.dev).toInt());
    ASSERT_GT(expected.count('\n'), 2);
    EXPECT_EQ(Read_File(out()), expected);
    EXPECT_TRUE(window->caption().startsWith("Kelvaron - Received "))
        << window->caption().toStdString();
    EXPECT_TRUE(window->caption().endsWith(" bytes"));
    EXPECT_TRUE(sim->finished()) << "the receiver saw one whole download";
    Expect_Idle_Window();
}

INSTANTIATE_TEST_SUITE_P(Forms, OutputForms,
                         ::testing::Values(FormCase{"LatLon", "0", "0", "10"},
                                           FormCase{"Grid", "1", "0", "10"},
                                           FormCase{"LatLonReduced", "0", "1", "10"},
                                           FormCase{"GridReduced", "1", "1", "30"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FixtureCase {
    const char* corSys;
    const char* expected;
};

class HandChecked : public MagellanEndToEnd, public ::testing::WithParamInterface<FixtureCase> {};

TEST_P(HandChecked, TheGridOriginIsWrittenAsWorkedOutByHand) {
    Start({"--unpaced", "--track", Fixture("grid_origin.track")}, GetParam().corSys);
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Read_File(out()), Read_File(Fixture(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, HandChecked,
                         ::testing::Values(FixtureCase{"0", "grid_origin_latlon.txt"},
                                           FixtureCase{"1", "grid_origin_grid.txt"}));

TEST_F(MagellanEndToEnd, PacedAtTheChosenSpeed) {
    Start({"--speed", "115200", "--points", "60"});
    ASSERT_TRUE(window->save());
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
}

TEST_F(MagellanEndToEnd, AnEmptyTrackIsNoTrackData) {
    Start({"--unpaced", "--empty"});
    ASSERT_TRUE(window->save());
    EXPECT_EQ(Messages(), std::vector<std::string>{"No track data found!"});
    EXPECT_FALSE(QFile::exists(out()));
    EXPECT_EQ(window->caption(), "Kelvaron - Received 17 bytes");
    Expect_Idle_Window();
}

TEST_F(MagellanEndToEnd, AnEndSentenceInTwoPiecesEndsTheDownload) {
    Start({"--unpaced", "--split-end", "--points", "30"});
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
}

TEST_F(MagellanEndToEnd, MalformedLinesAreSkipped) {
    Start({"--unpaced", "--malformed", "--points", "120"}, "1");
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Read_File(out()), Converted(dump(), true, false, 10));
}

TEST_F(MagellanEndToEnd, NoiseBetweenLinesIsSkipped) {
    Start({"--unpaced", "--noise-rate", "0.3", "--seed", "7", "--points", "120"});
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
}

TEST_F(MagellanEndToEnd, APortThatCannotBeOpenedIsNamedInAMessage) {
    Start({"--unpaced"});
    window->window().close();
    window = std::make_unique<LiveWindow>(dir.path());
    window->mapPort(2, dir.filePath("no-such-device"));
    window->set("COM", "1");
    window->set("Dev", "10");
    window->open();
    ASSERT_TRUE(window->save(10000)) << "no hang";
    ASSERT_EQ(Messages().size(), 1u);
    const std::string text = Messages()[0];
    EXPECT_NE(text.find("COM2"), std::string::npos) << text;
    EXPECT_NE(text.find(dir.filePath("no-such-device").toStdString()), std::string::npos) << text;
    EXPECT_NE(text.find("does not exist"), std::string::npos) << text;
    Expect_Idle_Window();
}

TEST_F(MagellanEndToEnd, AnUnpluggedReceiverLeavesThePointsReceivedSoFar) {
    // 120 bytes a second: the reply of 400 points would take minutes.
    Start({"--speed", "1200", "--points", "400"});
    window->access().control<QComboBox>("cmbSpeed")->setCurrentIndex(3);
    window->during(2500, [this] { sim->unplug(); });
    ASSERT_TRUE(window->save());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("was lost before the end of the track"), std::string::npos)
        << Messages()[0];
    const QByteArray got = Read_File(out());
    const QByteArray all = Converted(dump(), false, false, 10);
    EXPECT_GE(got.count('\n'), 2);
    EXPECT_LT(got.count('\n'), all.count('\n'));
    EXPECT_TRUE(all.startsWith(got)) << "complete lines only, in order";
    EXPECT_NE(Messages()[0].find("The " + std::to_string(got.count('\n')) + " points"),
              std::string::npos)
        << Messages()[0];
    Expect_Idle_Window();
}

TEST_F(MagellanEndToEnd, CancelEndsTheProgramWithoutAFile) {
    Start({"--speed", "1200", "--points", "400"});
    window->during(800, [this] { window->access().Cancel(); });
    ASSERT_TRUE(window->save());
    EXPECT_EQ(window->exit.codes, std::vector<int>{0});
    EXPECT_FALSE(QFile::exists(out()));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MagellanEndToEnd, ASecondDownloadReusesThePort) {
    Start({"--unpaced", "--points", "20"});
    ASSERT_TRUE(window->save());
    ASSERT_TRUE(QFile::remove(out()));
    ASSERT_TRUE(window->save());
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Read_File(out()), Converted(dump(), false, false, 10));
}

}  // namespace
