// The simulated Magellan receiver driven through a real pseudo-terminal.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "sim_harness.h"

namespace simtest {
namespace {

const std::string kCommand = "$PMGNCMD,TRACK*3D\r\n";
const std::string kEnd = "$PMGNCMD,END*3D\r\n";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

bool checksum_valid(const std::string& sentence) {
    const auto star = sentence.find('*');
    if (sentence.empty() || sentence[0] != '$' || star == std::string::npos ||
        star + 3 != sentence.size())
        return false;
    unsigned x = 0;
    for (std::size_t i = 1; i < star; ++i) x ^= static_cast<unsigned char>(sentence[i]);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", x);
    return sentence.substr(star + 1) == hex;
}

// ddmm.mmmm with its hemisphere to signed degrees, the way a host reads it.
double degrees(const std::string& packed, const std::string& hemisphere) {
    const double v = std::stod(packed);
    const double d = std::floor(v / 100);
    const double value = d + (v - d * 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -value : value;
}

std::vector<std::string> fields(const std::string& sentence) {
    std::vector<std::string> f;
    std::stringstream s(sentence.substr(0, sentence.find('*')));
    for (std::string part; std::getline(s, part, ',');) f.push_back(part);
    return f;
}

class MagellanSim : public ::testing::Test {
  protected:
    void start(std::vector<std::string> args) {
        args.insert(args.begin(), {"--protocol", "magellan", "--dump-track", dump_path_});
        sim_ = std::make_unique<SimProcess>(args);
        ASSERT_FALSE(sim_->device().empty()) << sim_->stderr_text();
        host_ = std::make_unique<HostPort>(sim_->device());
    }
    void TearDown() override {
        host_.reset();
        sim_.reset();
        std::remove(dump_path_.c_str());
        std::remove(track_path_.c_str());
    }
    std::vector<std::string> download() {
        host_->write("line noise \x01\x02\r\n" + kCommand);
        const std::string reply = host_->read_text(10000ms, kEnd);
        EXPECT_GE(reply.size(), kEnd.size());
        EXPECT_EQ(reply.substr(reply.size() - kEnd.size()), kEnd);
        return lines_of(reply);
    }

    std::string dump_path_ = temp_path("magellan-dump.txt");
    std::string track_path_ = temp_path("magellan-track.txt");
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<HostPort> host_;
};

TEST_F(MagellanSim, SendsTheTrackAsCheckedSentencesThenTheEnd) {
    write_file(track_path_, "31.76805,35.1605,1145059200,1,705\n-33.9,-70.6\n0.00001,0.5\n");
    start({"--unpaced", "--track", track_path_});
    const auto lines = download();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "$PMGNTRK,3146.0830,N,03509.6300,E,00705,M,000000.00,A,,140426*76");
    EXPECT_EQ(fields(lines[1])[2], "S");
    EXPECT_EQ(fields(lines[1])[4], "W");
    EXPECT_EQ(fields(lines[2])[1], "0000.0006");
    std::string host_file;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(checksum_valid(lines[i])) << lines[i];
        const auto f = fields(lines[i]);
        char line[96];
        std::snprintf(line, sizeof line, "%.12g,%.12g,\"N/A\"\r\n", degrees(f[1], f[2]),
                      degrees(f[3], f[4]));
        host_file += line;
    }
    // The dump holds up to 15 digits; compare the first 12, where a host's reading agrees.
    std::string dumped;
    for (const auto& l : lines_of(read_file(dump_path_))) {
        const auto f = fields(l);
        char line[96];
        std::snprintf(line, sizeof line, "%.12g,%.12g,%s\r\n", std::stod(f[0]), std::stod(f[1]),
                      f[2].c_str());
        dumped += line;
    }
    EXPECT_EQ(dumped, host_file);
}

TEST_F(MagellanSim, BuiltInSampleIsAHikeNearJerusalem) {
    start({"--unpaced"});
    const auto lines = download();
    ASSERT_GE(lines.size(), 201u);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        ASSERT_TRUE(checksum_valid(lines[i])) << lines[i];
        const auto f = fields(lines[i]);
        ASSERT_EQ(f.size(), 11u) << lines[i];
        EXPECT_NEAR(degrees(f[1], f[2]), 31.77, 0.03);
        EXPECT_NEAR(degrees(f[3], f[4]), 35.14, 0.04);
    }
    EXPECT_EQ(lines_of(read_file(dump_path_)).size(), lines.size() - 1);
}

TEST_F(MagellanSim, EmptyReplyIsTheEndSentenceAlone) {
    start({"--unpaced", "--empty"});
    host_->write(kCommand);
    EXPECT_EQ(host_->read_text(1000ms), kEnd);
    EXPECT_EQ(read_file(dump_path_), "");
}

TEST_F(MagellanSim, SplitEndArrivesInTwoPiecesWithAPause) {
    start({"--unpaced", "--split-end", "--points", "2"});
    host_->write(kCommand);
    const std::string first = host_->read_text(2000ms, "$PMGNCMD,E");
    const auto got_first = std::chrono::steady_clock::now();
    EXPECT_EQ(first.substr(first.size() - 10), "$PMGNCMD,E");
    EXPECT_EQ(host_->read_text(2000ms, "\r\n"), "ND*3D\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - got_first, 200ms);
}

TEST_F(MagellanSim, MalformedAndNoiseLinesComeBesideEveryPoint) {
    start({"--unpaced", "--malformed", "--noise-rate", "0.2", "--points", "120"});
    const auto lines = download();
    std::size_t points = 0;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        const auto f = fields(lines[i]);
        const bool good = checksum_valid(lines[i]) && f.size() == 11 && f[0] == "$PMGNTRK" &&
                          f[1].find_first_not_of("0123456789.") == std::string::npos &&
                          !f[1].empty() && !f[3].empty();
        points += good;
    }
    EXPECT_EQ(points, 120u);
    EXPECT_GT(lines.size(), 120u + 6u + 10u);
    EXPECT_EQ(lines_of(read_file(dump_path_)).size(), 120u);
}

TEST_F(MagellanSim, IgnoresAnythingButTheTrackCommand) {
    start({"--unpaced"});
    host_->write("$PMGNCMD,TRACK*3E\r\n$PMGNCMD,ROUTE*2E\r\n");
    EXPECT_EQ(host_->read_text(400ms), "");
}

TEST_F(MagellanSim, PacedReplyTakesAtLeastTheLineTime) {
    start({"--speed", "19200", "--points", "20", "--once"});
    const auto asked = std::chrono::steady_clock::now();
    host_->write(kCommand);
    const std::string reply = host_->read_text(10000ms, kEnd);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    // The command and the reply each cross a 1920-byte-a-second line.
    EXPECT_GE(seconds, (reply.size() + kCommand.size()) / 1920.0 * 0.98);
    EXPECT_EQ(sim_->wait_exit(), 0);
}

}  // namespace
}  // namespace simtest
