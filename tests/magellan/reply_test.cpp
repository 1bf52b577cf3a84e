// The Magellan reply, from two tables: reply_lines.txt (one line in, a position or none out)
// and replies.txt (reads from the port in, the outcome, where the end sentence starts and the
// points before it), and silences.txt (receivers that stop talking).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "magellan/download.h"
#include "magellan/reply.h"
#include "tests/support/case_table.h"
#include "tests/support/seam_fakes.h"

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

// Rows "OUTCOME END POINTS|READ|READ..."; a Lost row's port drops after its reads.
TEST(ReplyCollector, TableRows) {
    const auto rows = testkit::tableLines(MAGELLAN_TEST_DATA "/replies.txt");
    EXPECT_GT(rows.size(), 6u);
    for (const std::string& row : rows) {
        const std::vector<std::string> f = testkit::cells(row);
        std::istringstream in(f[0]);
        std::string outcome;
        std::size_t end = 0, points = 0;
        in >> outcome >> end >> points;
        magellan::ReplyCollector collector;
        bool over = false;
        for (std::size_t i = 1; i < f.size() && !over; ++i) over = collector.add(unescape(f[i]));
        EXPECT_EQ(over, outcome == "Complete") << row;
        const auto reply = collector.finish(magellan::Reply::Outcome::PortLost);
        EXPECT_EQ(reply.end, end) << row;
        EXPECT_EQ(magellan::replyPoints(std::string_view(reply.text).substr(0, reply.end)).size(),
                  points)
            << row;
    }
}

TEST(ReplyCollector, CutsNoiseAtTheLimit) {
    magellan::ReplyCollector collector;
    bool over = false;
    for (std::size_t i = 0; i <= magellan::kMaxReplyBytes >> 20 && !over; ++i)
        over = collector.add(std::string(1 << 20, 'n'));
    EXPECT_TRUE(over);
    EXPECT_EQ(collector.finish(magellan::Reply::Outcome::PortLost).outcome,
              magellan::Reply::Outcome::TooLong);
}

// Counts the points a download hands on.
struct CountingSink : seams::PointSink {
    void startTrack(const std::string&) override {}
    void point(const seams::Point&) override { ++points; }
    void pointWithoutPosition(bool) override {}
    void pointOutOfRange() override {}
    int points = 0;
};

// Rows "MESSAGE|POINTS|READ|READ...": a receiver that falls silent; "~S" lets S seconds
// pass on the deadline's clock, and after the last read the wait runs out.
TEST(TrackDownload, SilentReceiverRows) {
    const auto rows = testkit::tableLines(MAGELLAN_TEST_DATA "/silences.txt");
    EXPECT_EQ(rows.size(), 4u);
    for (const std::string& row : rows) {
        const std::vector<std::string> f = testkit::cells(row);
        const std::string &message = f[0], &points = f[1];
        testkit::FakePort port;
        testkit::FakeDeadline silence;
        std::vector<std::string> said;
        CountingSink sink;
        int saved = 0;
        magellan::DownloadHooks hooks;
        hooks.showMessage = [&](const std::string& text) { said.push_back(text); };
        hooks.startPoints = [] { return true; };
        hooks.points = &sink;
        hooks.finishPoints = [&] {
            saved = sink.points;
            return true;
        };
        magellan::TrackDownload download(port, silence,
                                         {1, "4800,n,8,1", "COM1 (/dev/ttyS0)", "out.txt"}, hooks);
        download.start();
        for (std::size_t i = 2; i < f.size() && download.running(); ++i) {
            if (f[i].starts_with('~')) {
                if (silence.elapse(std::stoi(f[i].substr(1)))) download.onSilence();
            } else {
                port.chunks.push_back(unescape(f[i]));
                download.onPortEvent();
            }
        }
        if (silence.elapse(1e9)) download.onSilence();
        EXPECT_FALSE(download.running()) << row;
        EXPECT_EQ(said, std::vector<std::string>{unescape(message)}) << row;
        EXPECT_EQ(saved, std::stoi(points)) << row;
        EXPECT_EQ(download.outcome(),
                  points == "0" ? seams::DownloadEnd::NoAnswer : seams::DownloadEnd::CutShort);
        EXPECT_FALSE(port.isOpen());
    }
}

}  // namespace
