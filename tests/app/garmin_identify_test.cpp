// The start of a Garmin download with fakes: the port and line settings, the
// identification loop with its Retry/Cancel message, the commands that follow, and
// the ways a download ends before the track is asked for.
#include <QCheckBox>
#include <QPushButton>

#include "tests/app/support/garmin_window.h"

namespace {

using namespace kelvaron_test;

using GarminIdentify = GarminWindow;

TEST_F(GarminIdentify, OpensTheChosenPortAndAsksForTheTrackAfterTheProductData) {
    fakes.store.set("COM", "2");
    Open();
    c<QComboBox>("cmbSpeed")->setCurrentIndex(8);  // 19200
    Save_Answering({1});
    ASSERT_EQ(fakes.comm.openCalls.size(), 1u);
    EXPECT_EQ(fakes.comm.openCalls[0], std::make_pair(3, std::string("19200,n,8,1")));
    // Request, acknowledgement of the product data, transfer reset, position reports
    // off, track log.
    EXPECT_EQ(fakes.comm.written,
              Product_Request() + Ack(255) + Command(0) + Command(50) + Command(6));
    EXPECT_EQ(access->DeviceMode(), "PID 73");
    EXPECT_GE(fakes.clock.now, 2.0) << "the first request's wait runs its two seconds";
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(window->windowTitle(), "Kelvaron - Receiving...");
    EXPECT_EQ(Point_Files().size(), 1) << "the first point file is open";
    EXPECT_TRUE(access->pointFileOpen());
    EXPECT_TRUE(fakes.exit.codes.empty());
}

TEST_F(GarminIdentify, TheReceiverIsNamedByItsProductNumber) {
    Open();
    const std::pair<std::int16_t, const char*> cases[] = {
        {73, "PID 73"}, {-5, "PID -5"}, {0, "PID 0"}};
    for (const auto& [id, text] : cases) {
        Arrive(Product_Data(id));
        EXPECT_EQ(access->DeviceMode(), text);
    }
}

struct RetryCase {
    const char* name;
    std::set<std::size_t> answered;  // which product requests the receiver answers
    std::deque<bool> retries;        // the user's choices, Cancel when they run out
    std::vector<std::size_t> requestsAtMessages;
    bool trackRequested;
};

class Identification : public GarminWindow, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(Identification, RetryOrCancelAfterEveryFourUnansweredRequests) {
    const auto& p = GetParam();
    Open();
    fakes.dialogs.retryAnswers = p.retries;
    std::vector<std::size_t> requestsAtMessages;
    fakes.dialogs.onMessage = [&](const QString&) { requestsAtMessages.push_back(Requests()); };
    Save_Answering(p.answered);
    EXPECT_EQ(requestsAtMessages, p.requestsAtMessages);
    // Only the identification's own message: the engine's timeouts meanwhile are not shown.
    for (const auto& m : Messages()) EXPECT_EQ(m, "GPS on com port 1 failed to initialze.");
    const bool requested = fakes.comm.written.find(Command(6)) != std::string::npos;
    EXPECT_EQ(requested, p.trackRequested);
    if (p.trackRequested) {
        EXPECT_TRUE(fakes.exit.codes.empty());
    } else {
        // Cancel ends the program before any file was made.
        EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
        EXPECT_TRUE(Point_Files().isEmpty());
        EXPECT_FALSE(QFile::exists(out()));
        EXPECT_EQ(Requests(), p.requestsAtMessages.back()) << "no request after Cancel";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Silent, Identification,
    ::testing::Values(RetryCase{"answersTheFourth", {4}, {}, {}, true},
                      RetryCase{"answersTheFifth", {5}, {true}, {4}, true},
                      RetryCase{"silentThenCancel", {}, {}, {4}, false},
                      RetryCase{"silentRetryThenCancel", {}, {true}, {4, 8}, false},
                      RetryCase{"answersAfterTwoRetries", {10}, {true, true}, {4, 8}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GarminIdentify, CancelDuringTheIdentificationStopsIt) {
    Open();
    onPump = [&] {
        if (Requests() == 2 && fakes.exit.codes.empty()) c<QPushButton>("cmdCancel")->click();
    };
    Save_Answering({});
    EXPECT_EQ(fakes.exit.codes, std::vector<int>{0});
    EXPECT_EQ(Requests(), 2u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Point_Files().isEmpty());
}

// Every way back to Save before the track is asked for leaves the window as it was
// before Save, the split box included.
void Expect_Idle(GarminWindow& t) {
    for (const char* name : {"cmdSave", "cmbCOM", "cmbSpeed", "cmdBrowse", "txtFName", "cmbCorSys",
                             "chkReduce", "txtDev", "cmbGPSType", "chkSplit"})
        EXPECT_TRUE(t.c(name)->isEnabled()) << name;
    EXPECT_TRUE(t.Point_Files().isEmpty());
    EXPECT_TRUE(t.fakes.exit.codes.empty());
}

TEST_F(GarminIdentify, APortThatCannotBeOpenedIsExplainedAndNotAsked) {
    Open();
    fakes.comm.opens = false;
    fakes.comm.failureText = "Cannot open port COM1 (/dev/fake1): the device does not exist.";
    Save_Answering({});
    EXPECT_EQ(Messages(), std::vector<QString>{fakes.comm.failureText});
    EXPECT_TRUE(fakes.comm.written.empty());
    EXPECT_TRUE(fakes.pump.waits.empty()) << "no identification against a closed port";
    Expect_Idle(*this);
}

TEST_F(GarminIdentify, AReceiverTalkingSentencesIsToldToSwitchItsInterface) {
    Open();
    onPump = [&] {
        if (fakes.comm.isOpen()) Arrive("$GPGGA,101500,3146.000,N,03510.000,E,1,05\r\n");
    };
    Save_Answering({});
    EXPECT_EQ(Messages(), std::vector<QString>{"GPS is sending NMEA or TEXT sentences.\r\n"
                                               "For upload/download switch the interface mode to "
                                               "'GRMN/GRMN', then restart."});
    EXPECT_EQ(Requests(), 1u) << "the loop ended after its first request";
    EXPECT_FALSE(fakes.comm.isOpen()) << "the next Save opens the port again";
    EXPECT_EQ(fakes.comm.written.find(Command(6)), std::string::npos);
    Expect_Idle(*this);

    // Switched to GRMN/GRMN: the next Save downloads.
    onPump = nullptr;
    Messages().clear();
    fakes.comm.written.clear();
    answeredUpTo = 0;
    // The line end after the last sentence spoils the first answer; the second counts.
    Save_Answering({1, 2});
    EXPECT_TRUE(Messages().empty()) << Messages().front().toStdString();
    EXPECT_EQ(fakes.comm.openCalls.size(), 2u);
    EXPECT_NE(fakes.comm.written.find(Command(6)), std::string::npos);
}

TEST_F(GarminIdentify, AGarminPacketAfterSentencesAsksAgainWhoIsThere) {
    Open();
    onPump = [&] {
        if (Requests() == 1 && access->DeviceMode().isEmpty())
            Arrive("@TEXT MODE\r\n");
        else if (access->DeviceMode() == "NMEA")
            Arrive(Ack(254));  // the receiver now talks packets
    };
    Save_Answering({2});
    EXPECT_EQ(Requests(), 2u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_NE(fakes.comm.written.find(Command(6)), std::string::npos);
}

TEST_F(GarminIdentify, APortLostWhileIdentifyingEndsTheDownloadWithOneMessage) {
    Open();
    onPump = [&] {
        if (Requests() == 2 && fakes.comm.isOpen()) {
            fakes.comm.close();
            fakes.comm.event = app::kCommEvPortLost;
            fakes.comm.handler();
        }
    };
    Save_Answering({});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "The connection to the receiver on COM1 (/dev/fake1) was lost.");
    EXPECT_EQ(Requests(), 2u);
    EXPECT_FALSE(fakes.timer.armed);
    Expect_Idle(*this);
}

TEST_F(GarminIdentify, SerialEventsAreNotTheEnginesWhileMagellanIsChosen) {
    fakes.store.set("GPSType", "0");
    Open();
    fakes.comm.open(1, "9600,n,8,1");
    Arrive(Product_Data(73));
    EXPECT_TRUE(fakes.comm.written.empty()) << "nothing acknowledged";
    EXPECT_TRUE(access->DeviceMode().isEmpty());
    EXPECT_EQ(fakes.comm.chunks.size(), 1u) << "the input is left to the Magellan download";
}

}  // namespace
