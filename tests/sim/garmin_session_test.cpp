// The simulated Garmin receiver driven through a real pseudo-terminal, as a host drives it.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <memory>

#include "sim_harness.h"

namespace simtest {
namespace {

// One header, a point whose time is 0x10101010 (every time byte a DLE, so the frame carries
// doubled bytes), a point with an altitude, and a southern/western point on the default clock.
const char* kTrackFile =
    "# test track\n"
    "H,Test Track\n"
    "31.5,35.25,269488144,1,754.5\n"
    "31.5001,35.2501,1145059210,0,755\n"
    "\n"
    "-33.9,-70.6,,1\n";

struct ExpectedPoint {
    double lat, lon;
    std::uint32_t seconds;
    bool new_segment;
    float alt;
};
// The running clock goes on ten seconds after the previous point's time.
const ExpectedPoint kPoints[] = {{31.5, 35.25, 269488144u, true, 754.5f},
                                 {31.5001, 35.2501, 1145059210u, false, 755.0f},
                                 {-33.9, -70.6, 1145059220u, true, 1.0e25f}};

std::int32_t semicircles(double deg) {
    return static_cast<std::int32_t>(std::llround(deg * 2147483648.0 / 180.0));
}

std::string time_text(std::uint32_t receiver_seconds) {
    const std::time_t t = static_cast<std::time_t>(receiver_seconds) + 631065600;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d-%H:%M:%S", &tm);
    return text;
}

class GarminSim : public ::testing::Test {
  protected:
    void start(std::vector<std::string> args, bool with_track = true) {
        if (with_track) {
            write_file(track_path_, kTrackFile);
            args.insert(args.end(), {"--track", track_path_});
        }
        args.insert(args.begin(), {"--unpaced", "--ack-timeout", "150"});
        sim_ = std::make_unique<SimProcess>(args);
        ASSERT_FALSE(sim_->device().empty()) << sim_->first_line() << sim_->stderr_text();
        host_ = std::make_unique<HostPort>(sim_->device());
    }
    void TearDown() override {
        host_.reset();
        sim_.reset();
        std::remove(track_path_.c_str());
        std::remove(dump_path_.c_str());
    }

    // Reads the next frame, which must be a good packet with `id`, and optionally ACKs it.
    HostPort::Frame expect(std::uint8_t id, bool acknowledge = true) {
        auto f = host_->read_frame();
        EXPECT_TRUE(f.has_value()) << "no frame, expected id " << int(id);
        if (!f) return {};
        EXPECT_EQ(f->id, id);
        EXPECT_TRUE(f->checksum_ok);
        if (acknowledge) host_->write(ack(f->id));
        return *f;
    }
    void expect_ack_of(std::uint8_t pid) { EXPECT_EQ(expect(6, false).wire, ack(pid)); }
    void expect_silence(std::chrono::milliseconds d) {
        const auto f = host_->read_frame(d);
        EXPECT_FALSE(f.has_value()) << "unexpected frame id " << int(f ? f->id : 0);
    }

    void identify(bool caps = true) {
        host_->write(frame(254, {}));
        expect_ack_of(254);
        expect(255);
        if (caps) expect(253);
    }
    void request_track(std::uint8_t command_pid = 10) {
        host_->write(frame(command_pid, {6, 0}));
        expect_ack_of(command_pid);
    }

    std::string track_path_ = temp_path("track.txt");
    std::string dump_path_ = temp_path("dump.txt");
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<HostPort> host_;
};

TEST_F(GarminSim, AnswersProductRequestWithProductDataAndCapabilities) {
    struct Case {
        const char* caps;
        std::vector<std::pair<char, int>> entries;
    };
    const std::vector<Case> cases = {
        {"none", {}},
        {"l001-d300",
         {{'P', 0},
          {'L', 1},
          {'A', 10},
          {'A', 100},
          {'D', 100},
          {'A', 200},
          {'D', 200},
          {'D', 100},
          {'A', 300},
          {'D', 300},
          {'A', 400},
          {'D', 400}}},
        {"l001-d301",
         {{'P', 0},
          {'L', 1},
          {'A', 10},
          {'A', 100},
          {'D', 100},
          {'A', 200},
          {'D', 200},
          {'D', 100},
          {'A', 301},
          {'D', 301},
          {'A', 400},
          {'D', 400}}},
        {"l002-d310",
         {{'P', 0},
          {'L', 2},
          {'A', 11},
          {'A', 100},
          {'D', 100},
          {'A', 200},
          {'D', 200},
          {'D', 100},
          {'A', 301},
          {'D', 310},
          {'D', 301},
          {'A', 400},
          {'D', 400}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caps);
        start({"--caps", c.caps, "--product-id", "213", "--software-version", "301",
               "--description", "eTrex Test"});
        // The product request goes out without data; two zero data bytes are accepted as well.
        host_->write(frame(254, {0, 0}));
        EXPECT_EQ(expect(6, false).wire, Bytes({0x10, 0x06, 0x02, 0xFE, 0x00, 0xFA, 0x10, 0x03}));
        const Bytes product = {0xD5, 0x00, 0x2D, 0x01, 'e', 'T', 'r', 'e',
                               'x',  ' ',  'T',  'e',  's', 't', 0};
        EXPECT_EQ(expect(255).wire, frame(255, product));
        if (c.entries.empty()) {
            expect_silence(300ms);
        } else {
            Bytes array;
            for (auto [tag, number] : c.entries)
                array.insert(array.end(), {static_cast<std::uint8_t>(tag),
                                           static_cast<std::uint8_t>(number & 0xFF),
                                           static_cast<std::uint8_t>(number >> 8)});
            EXPECT_EQ(expect(253).wire, frame(253, array));
        }
        TearDown();
    }
}

TEST_F(GarminSim, SendsTheTrackInTheLayoutOfItsCapabilities) {
    struct Case {
        const char* caps;
        std::uint8_t command_pid, records_pid;
        bool headers, d301;
    };
    const Case cases[] = {{"none", 10, 27, false, false},
                          {"l001-d300", 10, 27, false, false},
                          {"l001-d301", 10, 27, true, true},
                          {"l002-d310", 11, 35, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caps);
        start({"--caps", c.caps, "--dump-track", dump_path_});
        identify(std::string(c.caps) != "none");
        request_track(c.command_pid);
        const auto records = expect(c.records_pid);
        EXPECT_EQ(le16(records.data, 0), c.headers ? 4 : 3);
        if (c.headers) {
            const Bytes header = {1, 255, 'T', 'e', 's', 't', ' ', 'T', 'r', 'a', 'c', 'k', 0};
            EXPECT_EQ(expect(99).data, header);
        }
        std::string host_file;
        for (const ExpectedPoint& p : kPoints) {
            const auto f = expect(34);
            ASSERT_EQ(f.data.size(), c.d301 ? 21u : 13u);
            EXPECT_EQ(le32(f.data, 0), semicircles(p.lat));
            EXPECT_EQ(le32(f.data, 4), semicircles(p.lon));
            EXPECT_EQ(static_cast<std::uint32_t>(le32(f.data, 8)), p.seconds);
            EXPECT_EQ(f.data.back() != 0, p.new_segment);
            if (c.d301) {
                EXPECT_EQ(le_float(f.data, 12), p.alt);
                EXPECT_EQ(le_float(f.data, 16), 1.0e25f);
            }
            char line[128];
            std::snprintf(line, sizeof line, "%.15g,%.15g,\"%s\"\r\n",
                          le32(f.data, 0) * (180.0 / 2147483648.0),
                          le32(f.data, 4) * (180.0 / 2147483648.0), time_text(p.seconds).c_str());
            host_file += line;
        }
        EXPECT_EQ(expect(12).data, Bytes({6, 0}));
        expect_silence(300ms);
        EXPECT_EQ(read_file(dump_path_), host_file);
        TearDown();
    }
}

TEST_F(GarminSim, L002ReceiverTakesCommandsOnlyWithTheL002Identifier) {
    start({"--caps", "l002-d310"});
    identify();
    host_->write(frame(10, {6, 0}));  // the L001 command packet: acknowledged, not understood
    expect_ack_of(10);
    expect_silence(300ms);
    request_track(11);
    expect(35);
}

TEST_F(GarminSim, ResendsARefusedPacket) {
    start({"--caps", "l001-d300"});
    request_track();
    const auto first = expect(27, false);
    host_->write(nak(27));
    EXPECT_EQ(expect(27, false).wire, first.wire);
    host_->write(ack(27));
    expect(34);
}

TEST_F(GarminSim, ResendsAfterTheAcknowledgementTimeout) {
    start({"--caps", "l001-d300"});
    const auto asked = std::chrono::steady_clock::now();
    request_track();
    const auto first = expect(27, false);
    const auto again = expect(27, false);
    EXPECT_EQ(again.wire, first.wire);
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 145ms);
}

TEST_F(GarminSim, RefusesAPacketWithABadChecksum) {
    start({});
    Bytes bad = frame(254, {});
    bad[3] ^= 0x40;
    host_->write(bad);
    EXPECT_EQ(expect(21, false).wire, nak(254));
    expect_silence(300ms);
}

TEST_F(GarminSim, InjectedFaultsOnOnePacket) {
    // --corrupt: the first copy fails the checksum; the refusal brings a good one.
    start({"--caps", "l001-d300", "--corrupt", "1"});
    request_track();
    expect(27);
    auto bad = host_->read_frame();
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->id, 34);
    EXPECT_FALSE(bad->checksum_ok);
    host_->write(nak(34));
    EXPECT_EQ(le32(expect(34).data, 0), semicircles(31.5));
    TearDown();

    // --drop: nothing until the acknowledgement timeout, then the packet.
    start({"--caps", "l001-d300", "--drop", "1"});
    request_track();
    expect(27);
    expect_silence(100ms);
    EXPECT_EQ(le32(expect(34).data, 0), semicircles(31.5));
    TearDown();

    // --drop-ack: the acknowledged packet comes once more, then the transfer goes on.
    start({"--caps", "l001-d300", "--drop-ack", "1"});
    request_track();
    expect(27);
    const auto once = expect(34);
    EXPECT_EQ(expect(34).wire, once.wire);
    EXPECT_EQ(le32(expect(34).data, 0), semicircles(31.5001));
}

TEST_F(GarminSim, AnnouncesTheCountWithTheOffset) {
    start({"--caps", "l001-d301", "--count-offset", "-2"});
    request_track();
    EXPECT_EQ(le16(expect(27).data, 0), 2);
}

TEST_F(GarminSim, SilentAfterAPacketSendsNothingMore) {
    start({"--caps", "l001-d300", "--silent-after", "1"});
    request_track();
    expect(27);
    expect(34);
    expect_silence(400ms);
    host_->write(frame(254, {}));
    expect_silence(300ms);
}

TEST_F(GarminSim, GivesUpLoudlyAfterTheResendLimit) {
    start({"--caps", "l001-d300", "--max-resends", "2"});
    request_track();
    for (int i = 0; i < 3; ++i) expect(27, false);
    EXPECT_EQ(sim_->wait_exit(), 3);
    EXPECT_NE(sim_->stderr_text().find("gave up"), std::string::npos) << sim_->stderr_text();
}

TEST_F(GarminSim, OnceExitsAfterTheTransferCompleteIsAcknowledged) {
    start({"--caps", "l001-d300", "--once"});
    identify();
    request_track();
    for (std::uint8_t id : {27, 34, 34, 34}) expect(id);
    expect(12, false);
    EXPECT_EQ(sim_->wait_exit(300ms), -1);
    host_->write(ack(12));
    EXPECT_EQ(sim_->wait_exit(), 0);
}

TEST_F(GarminSim, RandomFaultsStillDeliverEveryPacketOnce) {
    // A careful host: refuses bad frames, acknowledges good ones, and stores a packet that
    // repeats the previous one only once (every point of the track differs from the last).
    start({"--caps", "l001-d301", "--points", "200", "--fault-rate", "0.2", "--seed", "7",
           "--ack-timeout", "100", "--dump-track", dump_path_},
          false);
    request_track();
    std::vector<Bytes> stored;
    Bytes last;
    for (;;) {
        const auto f = host_->read_frame(3000ms);
        ASSERT_TRUE(f.has_value()) << "stalled after " << stored.size() << " packets";
        if (!f->checksum_ok) {
            host_->write(nak(f->id));
            continue;
        }
        host_->write(ack(f->id));
        if (f->wire == last) continue;
        last = f->wire;
        stored.push_back(f->data);
        if (f->id == 12) break;
    }
    ASSERT_EQ(stored.size(), 1u + 1u + 200u + 1u);
    EXPECT_EQ(le16(stored.front(), 0), 201);
    std::size_t lines = 0;
    for (char ch : read_file(dump_path_)) lines += ch == '\n';
    EXPECT_EQ(lines, 200u);
}

TEST_F(GarminSim, ReceiverThatIsOffNeverAnswers) {
    start({"--never-answer"});
    host_->write(frame(254, {}));
    expect_silence(400ms);
}

TEST_F(GarminSim, NmeaReceiverSendsCheckedSentences) {
    start({"--nmea"});
    const std::string text = host_->read_text(2500ms, "$GPGGA");
    const auto at = text.find("$GPRMC,");
    ASSERT_NE(at, std::string::npos) << text;
    const auto star = text.find('*', at);
    const auto end = text.find("\r\n", at);
    ASSERT_TRUE(star != std::string::npos && end == star + 3) << text;
    unsigned x = 0;
    for (std::size_t i = at + 1; i < star; ++i) x ^= static_cast<unsigned char>(text[i]);
    EXPECT_EQ(std::stoul(text.substr(star + 1, 2), nullptr, 16), x);
}

TEST_F(GarminSim, TerminationRemovesTheLink) {
    const std::string link = temp_path("link");
    start({"--link", link});
    EXPECT_NE(sim_->first_line().find(" linked at " + link), std::string::npos);
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(sim_->device(), target);
    host_.reset();
    sim_->terminate();
    EXPECT_EQ(sim_->wait_exit(), 0);
    EXPECT_LT(::readlink(link.c_str(), target, sizeof target - 1), 0);
}

TEST(SimUsage, BadOptionsExitWithTwoAndListTheOptions) {
    for (std::vector<std::string> args : {std::vector<std::string>{"--caps", "l003"},
                                          {"--speed"},
                                          {"--frobnicate"},
                                          {"--track", "/nonexistent/track.txt"}}) {
        SimProcess sim(args);
        EXPECT_TRUE(sim.device().empty());
        EXPECT_EQ(sim.wait_exit(), 2);
        if (args[0] != "--track") {
            EXPECT_NE(sim.stderr_text().find("--protocol garmin|magellan"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace simtest
