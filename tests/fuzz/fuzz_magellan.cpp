// Fuzz target: the Magellan download fed an arbitrary reply, in arbitrary chunks, through
// the whole path from the port to the temporary point file; and the line parser fed the
// whole reply as one line.
//
// Input: a flags byte, a schedule length byte, that many schedule bytes, then the reply.
// Flags bit 0: when the reply is spent the program is ending (Cancel) instead of the
// port going away. The schedule is used round and round: 0xFF is an empty read, any
// other value delivers the next value + 1 bytes.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "coords/point_file.h"
#include "magellan/download.h"
#include "magellan/reply.h"
#include "magellan/reply_line.h"
#include "magellan/sentence.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/scratch_dir.h"

namespace {

using kelvaron_fuzz::Input;
using magellan::Download_Outcome;
using magellan::ReplyPoint;

// Schedules of empty reads only must still end.
constexpr int kMaxEmptyReads = 64;

class ReplyPort : public seams::SerialPort {
  public:
    ReplyPort(std::string_view schedule, Input& reply, bool endByCancel)
        : schedule_(schedule), reply_(reply), endByCancel_(endByCancel) {}

    bool isOpen() const override { return open_ && (endByCancel_ || !Spent()); }
    bool open(int, const std::string&) override { return open_ = true; }
    void close() override { open_ = false; }
    void write(const std::string& bytes) override { written += bytes; }
    std::string readAll() override {
        const auto v = schedule_.empty()
                           ? 0xEF
                           : static_cast<std::uint8_t>(schedule_[step_++ % schedule_.size()]);
        if (v == 0xFF && emptyReads_ < kMaxEmptyReads) {
            ++emptyReads_;
            return {};
        }
        const std::string_view chunk = reply_.Take(v == 0xFF ? 1 : v + 1u);
        read += chunk.size();
        return std::string(chunk);
    }
    void discardInput() override {}
    int commEvent() const override { return seams::kCommEvReceive; }

    bool Spent() const { return reply_.Empty(); }

    std::string written;
    std::size_t read = 0;

  private:
    std::string_view schedule_;
    Input& reply_;
    bool endByCancel_;
    bool open_ = false;
    std::size_t step_ = 0;
    int emptyReads_ = 0;
};

class NoWaitPump : public seams::EventPump {
  public:
    void processEvents(int) override {}
};

void Check_Point(const ReplyPoint& p) {
    FUZZ_CHECK(p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0);
}

// The point file holds exactly the points of the reply, in order, readable by the pass.
bool Check_Point_File(const std::string& path, const std::vector<ReplyPoint>& expected) {
    coords::PointFileReader reader(path);
    coords::PointRecord record;
    std::size_t i = 0;
    while (reader.next(record)) {
        FUZZ_CHECK(i < expected.size());
        FUZZ_CHECK(std::fabs(record.lat - expected[i].lat) <= 1e-9);
        FUZZ_CHECK(std::fabs(record.lon - expected[i].lon) <= 1e-9);
        FUZZ_CHECK(record.text == "N/A");
        ++i;
    }
    FUZZ_CHECK(i == expected.size());
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const bool endByCancel = (in.Byte() & 1) != 0;
    const std::string_view schedule = in.Take(in.Byte() % 16);
    const std::string_view reply(reinterpret_cast<const char*>(data) + (size - in.Remaining()),
                                 in.Remaining());

    // The parser on the whole reply as one line, and on each line through replyPoints.
    if (const auto p = magellan::parseReplyLine(reply)) Check_Point(*p);
    const std::size_t endAt = reply.find(magellan::kEndSentence);
    const bool complete = endAt != std::string_view::npos;
    const auto points = magellan::replyPoints(reply.substr(0, endAt));
    for (const auto& p : points) Check_Point(p);

    ReplyPort port(schedule, in, endByCancel);
    NoWaitPump pump;
    std::string caption;
    bool finished = false;
    const std::string pointFile = kelvaron_fuzz::Scratch().Path("points");
    magellan::Download_Hooks hooks;
    hooks.Show_Caption = [&caption](const std::string& text) { caption = text; };
    hooks.Show_Message = [](const std::string& text) { FUZZ_CHECK(!text.empty()); };
    hooks.Stop_Requested = [&port, endByCancel] { return endByCancel && port.Spent(); };
    hooks.Make_Temp_Name = [&pointFile] { return pointFile; };
    hooks.Finish_Output_File = [&](const std::string& path) {
        FUZZ_CHECK(path == pointFile && !finished);
        return finished = Check_Point_File(path, points);
    };
    magellan::Download_Request request{1, "4800,n,8,1", "COM1", "out.txt"};
    const Download_Outcome outcome = magellan::Download_Track(port, pump, request, hooks);

    FUZZ_CHECK(port.written == magellan::kTrackCommand);
    FUZZ_CHECK(!port.isOpen());
    if (port.read > 0)
        FUZZ_CHECK(caption == "Kelvaron - Received " + std::to_string(port.read) + " bytes");
    if (complete) {
        // The end sentence is found wherever the chunks cut it.
        FUZZ_CHECK(outcome ==
                   (points.empty() ? Download_Outcome::No_Data : Download_Outcome::Saved));
    } else if (endByCancel) {
        FUZZ_CHECK(outcome == Download_Outcome::Stopped);
    } else {
        // Whatever complete track lines arrived before the port went away are kept.
        FUZZ_CHECK(outcome == Download_Outcome::Cut_Short);
    }
    FUZZ_CHECK(finished == (outcome != Download_Outcome::Stopped && !points.empty()));
    return 0;
}
