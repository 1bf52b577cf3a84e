// The track file readers: each file in data/files read into a log of what the sink was
// handed, compared with its .expected file (KELVARON_REWRITE_FIXTURES=1 rewrites them);
// each bad input of data/bad with the message of bad.txt; ISO times from times.txt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "source/iso_time.h"
#include "source/read_error.h"
#include "source/track_file_reader.h"
#include "tests/support/case_table.h"

namespace {

const std::string kData = SOURCE_TEST_DATA;

// What the sink was handed, a line each; the file's path in a warning as NAME.
class LogSink : public source::TrackSink {
  public:
    explicit LogSink(std::string path = {}) : path_(std::move(path)) {}
    void startTrack(const std::string& name) override { log << "track " << name << "\n"; }
    void pointWithoutPosition(bool) override { log << "    no position\n"; }
    void pointOutOfRange() override { log << "    out of range\n"; }
    void warning(const std::string& text) override {
        std::string line = text;
        if (const auto at = line.find(path_); !path_.empty() && at != std::string::npos)
            line.replace(at, path_.size(), "NAME");
        log << "warning " << line << "\n";
    }
    void point(const seams::Point& p) override {
        char line[160];
        std::snprintf(line, sizeof line, "%s%.7f %.7f %s", p.newSegment ? "seg " : "    ", p.lat,
                      p.lon, p.time.c_str());
        log << line;
        if (p.elevation == p.elevation) {
            std::snprintf(line, sizeof line, " %.1f", p.elevation);
            log << line;
        }
        log << "\n";
    }
    std::ostringstream log;

  private:
    std::string path_;
};

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What the sink is handed from `path` read whole.
std::string readWhole(const std::string& path, const std::string& name) {
    LogSink sink(name);
    source::TrackFileReader(QString::fromStdString(path), sink).read();
    return sink.log.str();
}

// The same file through a pipe, as `--from <(cat FILE)` gives it: read once, in whatever
// pieces the pipe hands over.
std::string readThroughPipe(const std::string& path) {
    int ends[2];
    if (::pipe(ends) != 0) return "no pipe";
    std::thread writer([&ends, bytes = fileText(path)] {
        for (std::size_t at = 0; at < bytes.size(); at += 100)
            if (::write(ends[1], bytes.data() + at, std::min<std::size_t>(100, bytes.size() - at)) <
                0)
                break;
        ::close(ends[1]);
    });
    const std::string fd = "/proc/self/fd/" + std::to_string(ends[0]);
    std::string log;
    try {
        log = readWhole(fd, fd);
    } catch (const source::ReadError& e) {
        log = e.what();
    }
    writer.join();
    ::close(ends[0]);
    return log;
}

TEST(TrackFileReader, FilesAsTheirWritersWroteThem) {
    const auto files = testkit::filesIn(kData + "/files", "");
    ASSERT_GT(files.size(), 6u);
    for (const auto& file : files) {
        if (file.extension() == ".expected") continue;
        LogSink sink(file.string());
        source::TrackFileReader(QString::fromStdString(file.string()), sink).read();
        const std::string expected = file.string() + ".expected";
        if (std::getenv("KELVARON_REWRITE_FIXTURES") != nullptr)
            std::ofstream(expected, std::ios::binary) << sink.log.str();
        EXPECT_EQ(sink.log.str(), fileText(expected)) << file;
        // Read a point at a time, as a long file is, it reads the same.
        LogSink stepped(file.string());
        source::TrackFileReader reader(QString::fromStdString(file.string()), stepped);
        while (reader.readSome(1) != source::TrackFileReader::Step::Done) {
        }
        EXPECT_EQ(stepped.log.str(), sink.log.str()) << file;
        EXPECT_EQ(readThroughPipe(file.string()), sink.log.str()) << file;
    }
}

// Rows "FILE|MESSAGE", the message with the file's path written as NAME.
TEST(TrackFileReader, BadInputsNameFileAndPlace) {
    for (const std::string& row : testkit::tableLines(kData + "/bad.txt")) {
        const auto f = testkit::cells(row);
        const std::string path = kData + "/bad/" + f[0];
        std::string message = "no error";
        try {
            LogSink sink;
            source::TrackFileReader(QString::fromStdString(path), sink).read();
        } catch (const source::ReadError& e) {
            message = e.what();
            if (const auto at = message.find(path); at != std::string::npos)
                message.replace(at, path.size(), "NAME");
        }
        EXPECT_EQ(message, f[1]) << row;
    }
}

// Rows "ISO TEXT|RECEIVER TEXT", "-" for a text that is no time.
TEST(IsoTime, TableRows) {
    for (const std::string& row : testkit::tableLines(kData + "/times.txt")) {
        const auto f = testkit::cells(row);
        const auto seconds = source::parseIsoTime(f[0]);
        EXPECT_EQ(seconds ? source::receiverTimeText(*seconds) : "-", f[1]) << row;
    }
}

}  // namespace
