// The Magellan reply, from two tables: reply_lines.txt (one line in, a position or none out)
// and replies.txt (reads from the port in, the outcome, where the end sentence starts, the
// points before it and a byte-count caption after every read that brought something).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "magellan/download.h"
#include "magellan/reply.h"
#include "tests/support/seam_fakes.h"
#include "tests/support/temp_dir.h"

namespace {

// "\r", "\n" and "\xHH" as the bytes they name.
std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
        } else if (text[++i] == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i] == 'r' ? '\r' : '\n';
        }
    }
    return out;
}

TEST(ReplyLine, TableRows) {
    std::ifstream table(std::string(MAGELLAN_TEST_DATA) + "/reply_lines.txt");
    int rows = 0;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') continue;
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
        ++rows;
    }
    EXPECT_GT(rows, 25);
}

// Rows "OUTCOME END POINTS|READ|READ..."; after a Lost row's reads the port drops.
TEST(ReceiveReply, TableRows) {
    std::ifstream table(std::string(MAGELLAN_TEST_DATA) + "/replies.txt");
    const char* outcomes[] = {"Complete", "Lost", "TooLong", "Stopped"};
    int rows = 0;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') continue;
        std::istringstream in(row);
        std::string outcome, read;
        std::size_t end = 0, points = 0;
        in >> outcome >> end >> points;
        testkit::FakePort port;
        testkit::FakePump pump;
        port.open(1, "4800,n,8,1");
        port.loseAtEnd = outcome == "Lost";
        std::getline(in, read, '|');
        std::vector<std::string> expected;
        std::size_t total = 0;
        while (std::getline(in, read, '|')) {
            port.chunks.push_back(unescape(read));
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
        ++rows;
    }
    EXPECT_GT(rows, 6);
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
    std::ifstream table(std::string(MAGELLAN_TEST_DATA) + "/silences.txt");
    int rows = 0;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') continue;
        std::istringstream in(row);
        std::string message, points, read;
        std::getline(in, message, '|');
        std::getline(in, points, '|');
        testkit::FakePort port;
        testkit::FakeClock clock;
        testkit::FakePump pump(&clock);  // each pass lets its 50 ms go by
        while (std::getline(in, read, '|')) {
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
        ++rows;
    }
    EXPECT_EQ(rows, 4);
}

}  // namespace
