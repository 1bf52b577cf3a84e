// Fuzz target: a Magellan reply in arbitrary chunks through the reply collector, its points
// through point file lines and back, as the track file writer stores them; and the line parser fed
// the whole reply.
//
// Input: a flags byte, a schedule length byte, that many schedule bytes, then the reply.
// Flags bit 0: when the reply is spent the user stops the download instead of the port
// going away. The schedule is used round and round: 0xFF is an empty read (at most 64), any
// other value delivers the next value + 1 bytes.
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "magellan/reply.h"
#include "magellan/sentence.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"
#include "trackfile/point_file.h"

namespace {

void checkPoint(const magellan::ReplyPoint& p) {
    FUZZ_CHECK(p.lat >= -90.0 && p.lat <= 90.0 && p.lon >= -180.0 && p.lon <= 180.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testkit::TempDir scratch;
    kelvaron_fuzz::Input in(data, size);
    const bool endByCancel = (in.Byte() & 1) != 0;
    const std::string_view schedule = in.Take(in.Byte() % 16);
    const std::string_view reply(reinterpret_cast<const char*>(data) + (size - in.Remaining()),
                                 in.Remaining());
    if (const auto p = magellan::parseReplyLine(reply)) checkPoint(*p);

    std::vector<std::string> chunks;
    for (std::size_t step = 0, empty = 0; !in.Empty(); ++step) {
        const auto v =
            schedule.empty() ? 0xEF : static_cast<std::uint8_t>(schedule[step % schedule.size()]);
        if (v == 0xFF && ++empty <= 64) chunks.emplace_back();
        if (v != 0xFF) chunks.emplace_back(in.Take(v + 1u));
        if (v == 0xFF && empty > 64) chunks.emplace_back(in.Take(1));
    }
    using Outcome = magellan::Reply::Outcome;
    magellan::ReplyCollector collector;
    for (const std::string& chunk : chunks)
        if (collector.add(chunk)) break;
    const auto got = collector.finish(endByCancel ? Outcome::Stopped : Outcome::PortLost);

    // The end sentence is found wherever the chunks cut it.
    const std::size_t endAt = reply.find(magellan::kEndSentence);
    FUZZ_CHECK(endAt != std::string_view::npos
                   ? got.outcome == Outcome::Complete && got.end == endAt
                   : got.outcome != Outcome::Complete);
    const auto points = magellan::replyPoints(std::string_view(got.text).substr(0, got.end));
    const std::string path = scratch.path("points");
    {
        std::ofstream file(path, std::ios::binary);
        for (const auto& p : points) file << trackfile::formatPointRecord(p.lat, p.lon, "N/A");
    }
    trackfile::PointFileReader reader(path);
    trackfile::PointRecord record;
    std::size_t i = 0;
    for (; reader.next(record); ++i) {
        FUZZ_CHECK(i < points.size() && record.text == "N/A");
        checkPoint(points[i]);
        FUZZ_CHECK(std::fabs(record.lat - points[i].lat) <= 1e-9 &&
                   std::fabs(record.lon - points[i].lon) <= 1e-9);
    }
    FUZZ_CHECK(i == points.size());
    return 0;
}
