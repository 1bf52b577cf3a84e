// The Magellan reply, from two tables: reply_lines.txt (one line in, a position or none out)
// and replies.txt (reads from the port in, the outcome, where the end sentence starts, the
// points before it and a byte-count caption after every read that brought something).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "magellan/download.h"
#include "magellan/reply.h"
#include "tests/support/case_table.h"
#include "tests/support/seam_fakes.h"
#include "tests/support/temp_dir.h"

namespace {

using testkit::unescape;

TEST(ReplyLine, TableRows) {
    const auto rows = testkit::tableLines(MAGELLAN_TEST_DATA "/reply_lines.txt");
    EXPECT_GT(rows.size(), 25u);
    for (const std::string& row : rows) {
        std::istringstream in(row);
        std::string kind, line;
        double lat = 0, lon = 0;
        in >> kind;
        if (kind == "point") in >> lat >> lon;
        std::getline(in >> std::ws, line);
        const auto got = magellan::parseReplyLine(unescape(line));
        ASSERT_EQ(got.has_value(), kind == "point") << row;
        if (got) {
            EXPECT_NEAR(got->lat, lat, 1e-9) << row;
            EXPECT_NEAR(got->lon, lon, 1e-9) << row;
        }
    }
}

// Rows "OUTCOME END POINTS|READ|READ..."; after a Lost row's reads the port drops.
TEST(ReceiveReply, TableRows) {
    const char* outcomes[] = {"Complete", "Lost", "TooLong", "Stopped"};
    const auto rows = testkit::tableLines(MAGELLAN_TEST_DATA "/replies.txt");
    EXPECT_GT(rows.size(), 6u);
    for (const std::string& row : rows) {
        const std::vector<std::string> f = testkit::cells(row);
        std::istringstream in(f[0]);
        std::string outcome;
        std::size_t end = 0, points = 0;
        in >> outcome >> end >> points;
        testkit::FakePort port;
        testkit::FakePump pump;
        port.open(1, "4800,n,8,1");
        port.loseAtEnd = outcome == "Lost";
        std::vector<std::string> expected;
        std::size_t total = 0;
        for (std::size_t i = 1; i < f.size(); ++i) {
            port.chunks.push_back(unescape(f[i]));
            total += port.chunks.back().size();
            if (!port.chunks.back().empty())
                expected.push_back("Kelvaron - Received " + std::to_string(total) + " bytes");
        }
        std::vector<std::string> captions;
        const auto reply = magellan::receiveReply(
            port, pump, {[&](const std::string& c) { captions.push_back(c); }, nullptr});
        EXPECT_EQ(outcomes[static_cast<int>(reply.outcome)], outcome) << row;
        EXPECT_EQ(reply.end, end) << row;
        EXPECT_EQ(magellan::replyPoints(std::string_view(reply.text).substr(0, reply.end)).size(),
                  points)
            << row;
        EXPECT_EQ(captions, expected) << row;
        EXPECT_EQ(pump.waits.size(), static_cast<std::size_t>(port.reads)) << "never spins";
    }
}

TEST(ReceiveReply, StopsWhenTheProgramEndsAndCutsNoiseAtTheLimit) {
    testkit::FakePort port;
    testkit::FakePump pump;
    port.open(1, "4800,n,8,1");
    int passes = 0;
    auto reply = magellan::receiveReply(port, pump, {nullptr, [&] { return ++passes > 3; }});
    EXPECT_EQ(reply.outcome, magellan::Reply::Outcome::Stopped);
    for (std::size_t i = 0; i <= magellan::kMaxReplyBytes >> 20; ++i)
        port.chunks.push_back(std::string(1 << 20, 'n'));
    reply = magellan::receiveReply(port, pump, {});
    EXPECT_EQ(reply.outcome, magellan::Reply::Outcome::TooLong);
}

// Rows "MESSAGE|POINTS|READ|READ...": a receiver that falls silent, timed on a fake clock.
TEST(DownloadTrack, SilentReceiverRows) {
    const auto rows = testkit::tableLines(MAGELLAN_TEST_DATA "/silences.txt");
    EXPECT_EQ(rows.size(), 4u);
    for (const std::string& row : rows) {
        const std::vector<std::string> f = testkit::cells(row);
        const std::string &message = f[0], &points = f[1];
        testkit::FakePort port;
        testkit::FakeClock clock;
        testkit::FakePump pump(&clock);  // each pass lets its 50 ms go by
        for (std::size_t i = 2; i < f.size(); ++i) {
            const std::string& read = f[i];
            const int quiet = read.starts_with('~') ? std::stoi(read.substr(1)) * 20 : 1;
            for (int i = 0; i < quiet; ++i) port.chunks.push_back(quiet > 1 ? "" : unescape(read));
        }
        testkit::TempDir dir;
        std::vector<std::string> said;
        std::string saved;
        magellan::DownloadHooks hooks;
        hooks.showMessage = [&](const std::string& text) { said.push_back(text); };
        hooks.makeTempName = [&] { return dir.path("points"); };
        hooks.finishOutputFile = [&](const std::string& file) {
            saved = testkit::readFile(file);
            return true;
        };
        hooks.clock = &clock;
        const auto outcome = magellan::downloadTrack(
            port, pump, {1, "4800,n,8,1", "COM1 (/dev/ttyS0)", "out.txt"}, hooks);
        EXPECT_EQ(said, std::vector<std::string>{unescape(message)}) << row;
        EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), std::stoi(points)) << row;
        EXPECT_EQ(outcome, points == "0" ? magellan::DownloadOutcome::NoAnswer
                                         : magellan::DownloadOutcome::CutShort);
        EXPECT_FALSE(port.isOpen());
    }
}

}  // namespace
