// A Garmin track transfer with fakes: what each packet does to the count, the caption
// and the files, the end of the transfer with its messages, and a receiver that falls
// silent or is unplugged, or a message box that holds the port's events back.
#include <QCheckBox>
#include <QPushButton>

#include "tests/app/support/garmin_window.h"

namespace {

using namespace kelvaron_test;

using GarminTransfer = GarminWindow;

// One packet from the receiver; `point` >= 0 marks Nth_Point(point).
struct Step {
    std::string frame;
    int point = -1;
};

Step P(int i, bool newSegment = false) {
    return {Nth_Point(i, newSegment).frame(), i};
}
Step F(const std::string& frame) {
    return {frame, -1};
}
Step Other(std::uint8_t id) {
    return {Frame(id, {1, 2, 3, 4}), -1};
}

struct DispatchCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<int> captionCounts;  // the caption's count at each point
    std::vector<QString> messages;
};

class Dispatch : public GarminWindow, public ::testing::WithParamInterface<DispatchCase> {};

TEST_P(Dispatch, CountsWritesAndReportsTheTrack) {
    const auto& p = GetParam();
    Start_Transfer();
    std::vector<int> captionCounts;
    std::vector<Point> points;
    for (const Step& s : p.steps) {
        Arrive(s.frame);
        if (s.point < 0) continue;
        points.push_back(Nth_Point(s.point));
        const QString caption = window->windowTitle();
        captionCounts.push_back(caption.section(' ', 3, 3).toInt());
        EXPECT_TRUE(caption.startsWith("Kelvaron - Received ") && caption.endsWith(" records"))
            << caption.toStdString();
    }
    EXPECT_EQ(captionCounts, p.captionCounts);
    EXPECT_EQ(Messages(), p.messages);
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0}) << "a complete transfer ends the program";
    EXPECT_EQ(Read(out()), Expected(points));
    EXPECT_TRUE(Point_Files().isEmpty());
}

const QString kMismatch5 =
    "Error - Record counts don't match\r\nGPS claims to have sent 5 records.";

INSTANTIATE_TEST_SUITE_P(
    Packets, Dispatch,
    ::testing::Values(
        DispatchCase{"headerAndTwoPointsAnnouncedThree",
                     {F(Records(3)), F(Track_Header()), P(0), P(1), F(Transfer_Complete())},
                     {1, 2},
                     {"Received 3 records."}},
        DispatchCase{"fiveAnnouncedThreeSent",
                     {F(Records(5)), F(Track_Header()), P(0), P(1), F(Transfer_Complete())},
                     {1, 2},
                     {"Received 3 records.", kMismatch5}},
        DispatchCase{"waypointsRoutesAndOthersAreNotTrack",
                     {F(Records(2)), Other(35), P(0), Other(29), Other(98), Other(30), Other(31),
                      Other(19), Other(200), Other(253), P(1), F(Transfer_Complete())},
                     {0, 1},
                     {"Received 2 records."}},
        DispatchCase{"aSecondStartOfRecordsCountsAfresh",
                     {F(Records(9)), P(0), P(1), F(Records(1)), P(2), F(Transfer_Complete())},
                     {0, 1, 0},
                     {"Received 1 records."}},
        DispatchCase{"productDataMeanwhileChangesNothing",
                     {F(Records(1)), F(Product_Data(99)), P(0), F(Transfer_Complete())},
                     {0},
                     {"Received 1 records."}},
        DispatchCase{"aHeaderAloneIsCountedNotWritten",
                     {F(Records(1)), F(Track_Header()), F(Transfer_Complete())},
                     {},
                     {"Received 1 records."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GarminTransfer, PacketsBeforeTheTrackRequestAreNotTrack) {
    Open();
    for (const auto& frame :
         {Records(2), Track_Header(), Nth_Point(0).frame(), Transfer_Complete()})
        Arrive(frame);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(fakes.exit.codes.empty()) << "a stray transfer-complete does not end the program";
    EXPECT_EQ(window->windowTitle(), "Kelvaron");
}

struct LargeCase {
    std::uint16_t announced;
    std::int32_t before;  // records counted before the last two points
};

class LargeTracks : public GarminWindow, public ::testing::WithParamInterface<LargeCase> {};

TEST_P(LargeTracks, CountPastSixteenBitsSignedWithoutAFalseMismatch) {
    const auto& p = GetParam();
    Start_Transfer();
    Arrive(Records(p.announced));
    access->RecordCount() = p.before;
    Arrive(Nth_Point(0));
    Arrive(Nth_Point(1));
    EXPECT_EQ(window->windowTitle(), QString("Kelvaron - Received %1 records").arg(p.before + 1));
    Arrive(Transfer_Complete());
    EXPECT_EQ(Messages(), std::vector<QString>{QString("Received %1 records.").arg(p.announced)});
}

INSTANTIATE_TEST_SUITE_P(Counts, LargeTracks,
                         ::testing::Values(LargeCase{32768, 32766}, LargeCase{40000, 39998},
                                           LargeCase{65535, 65533}));

TEST_F(GarminTransfer, SaveStaysRefusedWhileTheTransferRuns) {
    Start_Transfer();
    EXPECT_FALSE(c("cmdSave")->isEnabled());
    EXPECT_FALSE(c("cmbGPSType")->isEnabled()) << "the transfer needs the Garmin choice";
    EXPECT_FALSE(c("chkSplit")->isEnabled());
    for (const char* name : {"cmbCOM", "cmbSpeed", "cmdBrowse", "txtFName", "cmbCorSys",
                             "chkReduce", "txtDev", "cmdCancel"})
        EXPECT_TRUE(c(name)->isEnabled()) << name;
    access->Save();
    EXPECT_EQ(fakes.comm.openCalls.size(), 1u);
    EXPECT_TRUE(fakes.comm.written.empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(GarminTransfer, ASilentReceiverIsReportedWithWhereThePointsAre) {
    Start_Transfer();
    Arrive(Records(3));
    Silence();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0],
              "No response from device on port 1\r\nNo track point had arrived yet.");
    Arrive(Nth_Point(0));
    Arrive(Nth_Point(1));
    Silence();
    const QString temp = access->TempFileName();
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1],
              "No response from device on port 1\r\n"
              "The track points received so far are kept in " +
                  temp + ".");
    EXPECT_EQ(Read(temp), QByteArray::fromStdString(Nth_Point(0).record() + Nth_Point(1).record()))
        << "written out when reported";
    // The receiver comes back: the transfer goes on.
    Arrive(Nth_Point(2));
    Arrive(Transfer_Complete());
    EXPECT_EQ(Messages().back(), "Received 3 records.");
    EXPECT_EQ(Read(out()), Expected({Nth_Point(0), Nth_Point(1), Nth_Point(2)}));
}

struct LostCase {
    const char* name;
    int points;
};

class Unplugged : public GarminWindow, public ::testing::WithParamInterface<LostCase> {};

TEST_P(Unplugged, KeepsThePointsSoFarAndSaysWhere) {
    Start_Transfer();
    Arrive(Records(5));
    std::string records;
    for (int i = 0; i < GetParam().points; ++i) {
        Arrive(Nth_Point(i));
        records += Nth_Point(i).record();
    }
    const QString temp = access->TempFileName();
    fakes.comm.close();
    fakes.comm.event = app::kCommEvPortLost;
    fakes.comm.handler();
    Silence();
    ASSERT_EQ(Messages().size(), 1u) << "one message, and no timeout after it";
    const QString head =
        "The connection to the receiver on COM1 (/dev/fake1) was lost before the end of the "
        "track.\r\n";
    if (records.empty()) {
        EXPECT_EQ(Messages()[0], head + "No track point had arrived yet.");
        EXPECT_TRUE(Point_Files().isEmpty());
    } else {
        EXPECT_EQ(Messages()[0],
                  head + "The track points received so far are kept in " + temp + ".");
        EXPECT_EQ(Read(temp), QByteArray::fromStdString(records));
    }
    EXPECT_FALSE(QFile::exists(out()));
    EXPECT_TRUE(fakes.exit.codes.empty());
    for (const char* name : {"cmdSave", "cmbGPSType", "chkSplit"})
        EXPECT_TRUE(c(name)->isEnabled()) << name << ": ready for the next Save";
}

INSTANTIATE_TEST_SUITE_P(Points, Unplugged,
                         ::testing::Values(LostCase{"none", 0}, LostCase{"three", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GarminTransfer, AFailedConversionAtTheEndIsToldOnceAndTheProgramEnds) {
    fakes.store.set("FName", dir.filePath("no/such/folder/track.txt"));
    Start_Transfer();
    Arrive(Records(2));
    Arrive(Nth_Point(0));
    Arrive(Nth_Point(1));
    Arrive(Transfer_Complete());
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0], "Received 2 records.");
    const QStringList kept = Point_Files();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(Messages()[1].contains("kept in " + dir.filePath(kept[0])))
        << Messages()[1].toStdString();
    EXPECT_EQ(Read(dir.filePath(kept[0])),
              QByteArray::fromStdString(Nth_Point(0).record() + Nth_Point(1).record()));
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
}

// A box shown while a packet is handled: the split's conversion fails into a folder
// that does not exist. While it is open the port announces nothing.
struct BoxCase {
    const char* name;
    bool pointArrivesMeanwhile;
    bool silenceReported;
};

class BoxOpen : public GarminWindow, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(BoxOpen, ThePortIsReadWhenTheBoxCloses) {
    const auto& p = GetParam();
    fakes.store.set("FName", dir.filePath("no/such/folder/track.txt"));
    split = true;
    Start_Transfer();
    bool first = true;
    fakes.dialogs.onMessage = [&](const QString&) {
        if (!std::exchange(first, false)) return;
        if (p.pointArrivesMeanwhile) fakes.comm.chunks.push_back(Nth_Point(3).frame());
        Silence();  // the user reads for a while
    };
    Arrive(Records(4));
    Arrive(Nth_Point(0, true));
    Arrive(Nth_Point(1));
    Arrive(Nth_Point(2, true));  // a new file: the first one's conversion fails
    ASSERT_FALSE(first);
    EXPECT_TRUE(
        Messages()[0].startsWith("The track file " + dir.filePath("no/such/folder/track1.txt")))
        << Messages()[0].toStdString();
    EXPECT_EQ(Messages().size(), p.silenceReported ? 2u : 1u);
    if (p.silenceReported) {
        EXPECT_TRUE(Messages()[1].startsWith("No response from device on port 1\r\n"));
    }
    EXPECT_EQ(access->RecordCount(), p.pointArrivesMeanwhile ? 4 : 3);
    EXPECT_EQ(fakes.comm.written.substr(fakes.comm.written.size() - Ack(34).size()), Ack(34));
}

INSTANTIATE_TEST_SUITE_P(Meanwhile, BoxOpen,
                         ::testing::Values(BoxCase{"aPointArrived", true, false},
                                           BoxCase{"nothingArrived", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
