// The simulator's pieces, tested directly: framing, the host-frame reader, the point file,
// the command line, receiver time, packed angles, fault decisions and the sample tracks.
#include <gtest/gtest.h>

#include <set>

#include "tools/sim/fault_plan.h"
#include "tools/sim/garmin_records.h"
#include "tools/sim/garmin_wire.h"
#include "tools/sim/nmea_text.h"
#include "tools/sim/options.h"
#include "tools/sim/receiver_time.h"
#include "tools/sim/sample_tracks.h"
#include "tools/sim/track.h"
#include "tools/sim/track_dump.h"

namespace ksim {
namespace {

TEST(SimFraming, EncodesWithChecksumAndDoubledDle) {
    struct Case {
        std::uint8_t id;
        Bytes data;
        Bytes wire;
    };
    const Case cases[] = {
        {254, {}, {0x10, 0xFE, 0x00, 0x02, 0x10, 0x03}},
        {6, {34, 0}, {0x10, 0x06, 0x02, 0x22, 0x00, 0xD6, 0x10, 0x03}},
        // A data byte 16 is doubled; the size counts it once.
        {34, {0x10, 0x03}, {0x10, 0x22, 0x02, 0x10, 0x10, 0x03, 0xC9, 0x10, 0x03}},
        // Checksum 16 doubled right before the closing DLE ETX.
        {0xEE, {}, {0x10, 0xEE, 0x00, 0x12, 0x10, 0x03}},
        {0xEE, {0x01}, {0x10, 0xEE, 0x01, 0x01, 0x10, 0x10, 0x10, 0x03}},
        // The identifier is never doubled.
        {16, {}, {0x10, 0x10, 0x00, 0xF0, 0x10, 0x03}},
        // A size of 16 is doubled.
        {1, Bytes(16, 0),
         [] {
             Bytes w{0x10, 0x01, 0x10, 0x10};
             w.insert(w.end(), 16, 0);
             w.insert(w.end(), {0xEF, 0x10, 0x03});
             return w;
         }()},
    };
    for (const Case& c : cases) EXPECT_EQ(encode_frame(c.id, c.data), c.wire) << int(c.id);
}

// Feeds one byte at a time, as a slow line delivers it; noise reported in pieces is merged.
std::vector<HostFrame> feed_bytewise(const Bytes& bytes) {
    FrameReader reader;
    std::vector<HostFrame> out;
    for (std::uint8_t b : bytes) reader.feed({&b, 1}, out);
    std::vector<HostFrame> merged;
    for (auto& f : out) {
        if (f.kind == HostFrame::Kind::noise && !merged.empty() &&
            merged.back().kind == HostFrame::Kind::noise) {
            merged.back().wire.insert(merged.back().wire.end(), f.wire.begin(), f.wire.end());
        } else {
            merged.push_back(std::move(f));
        }
    }
    return merged;
}

TEST(SimFrameReader, CutsHostStreams) {
    using K = HostFrame::Kind;
    using C = HostFrame::Check;
    struct Case {
        const char* name;
        Bytes input;
        std::vector<std::tuple<K, C, std::uint8_t, Bytes>> expected;  // kind, check, id, data
    };
    const Bytes good = encode_frame(34, Bytes{0x10, 0x03, 0x10});
    Bytes bad_sum = encode_frame(10, Bytes{6, 0});
    bad_sum[4] ^= 1;
    const Bytes bad_size = {0x10, 0x0A, 0x03, 0x06, 0x00, 0xED, 0x10, 0x03};
    Bytes noisy = {'x', 'y'};
    noisy.insert(noisy.end(), good.begin(), good.end());
    // A lone DLE inside a frame starts the next frame: here a good empty packet 0x22.
    Bytes torn = {0x10, 0x0A, 0x02, 0x06, 0x10, 0x22};
    const Bytes rest = {0x00, 0xDE, 0x10, 0x03};
    torn.insert(torn.end(), rest.begin(), rest.end());
    const std::vector<Case> cases = {
        {"DLE ETX inside doubled data", good, {{K::packet, C::ok, 34, {0x10, 0x03, 0x10}}}},
        {"bad checksum", bad_sum, {{K::packet, C::bad_checksum, 10, {6, 1}}}},
        {"size not matching", bad_size, {{K::packet, C::bad_size, 10, {6, 0}}}},
        {"noise in front",
         noisy,
         {{K::noise, C::ok, 0, {}}, {K::packet, C::ok, 34, {0x10, 0x03, 0x10}}}},
        {"torn frame", torn, {{K::broken_frame, C::ok, 10, {}}, {K::packet, C::ok, 0x22, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frames = feed_bytewise(c.input);
        ASSERT_EQ(frames.size(), c.expected.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const auto& [kind, check, id, data] = c.expected[i];
            EXPECT_EQ(frames[i].kind, kind);
            if (kind != K::packet) continue;
            EXPECT_EQ(frames[i].check, check);
            EXPECT_EQ(frames[i].id, id);
            if (check != C::bad_checksum || !data.empty()) {
                EXPECT_EQ(frames[i].data, data);
            }
        }
    }
}

TEST(SimRecords, TrackTransferFollowsTheDialect) {
    Track track;
    track.add_header("T");
    track.add_point({32.0, 35.0, 100, true, 10});
    track.add_point({32.1, 35.1, 110, false, 11});
    struct Case {
        Caps caps;
        long offset;
        std::uint8_t records_id;
        std::uint16_t count;
        std::size_t packets;
        std::size_t point_size;
    };
    const Case cases[] = {{Caps::none, 0, 27, 2, 4, 13},
                          {Caps::l001_d301, 0, 27, 3, 5, 21},
                          {Caps::l002_d310, 0, 35, 3, 5, 21},
                          {Caps::l001_d300, -5, 27, 0, 4, 13},
                          {Caps::l001_d300, 70000, 27, 65535, 4, 13}};
    for (const Case& c : cases) {
        const auto packets = track_transfer(dialect_for(c.caps), track, c.offset);
        ASSERT_EQ(packets.size(), c.packets);
        EXPECT_EQ(packets.front().id, c.records_id);
        EXPECT_EQ(read_u16(packets.front().data, 0), c.count);
        EXPECT_EQ(packets[packets.size() - 2].data.size(), c.point_size);
        EXPECT_EQ(packets.back().id, 12);
        EXPECT_EQ(packets.back().data, Bytes({6, 0}));
    }
}

TEST(SimRecords, SemicirclesAtTheirBoundaries) {
    EXPECT_EQ(degrees_to_semicircles(45.0), 1 << 29);
    EXPECT_EQ(degrees_to_semicircles(-45.0), -(1 << 29));
    EXPECT_EQ(degrees_to_semicircles(179.99999999999), 2147483647);
    EXPECT_EQ(semicircles_to_degrees(1 << 29), 45.0);
    EXPECT_EQ(semicircles_to_degrees(INT32_MIN), -180.0);
}

TEST(SimTime, ReceiverSecondsAsText) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "1989/12/31-00:00:00"},
        {86399, "1989/12/31-23:59:59"},
        {86400, "1990/01/01-00:00:00"},
        {3653u * 86400, "2000/01/01-00:00:00"},
        {(3653u + 59) * 86400, "2000/02/29-00:00:00"},
        {0xFFFFFFFEu, "2126/02/06-06:28:14"},
        {kNoTime, "N/A"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(garmin_time_text(seconds), text);
    EXPECT_EQ(receiver_seconds({2026, 4, 17, 5, 12, 0}), 1145337120u);
    EXPECT_EQ(nmea_time_field(1145337120u), "051200.00");
    EXPECT_EQ(nmea_date_field(1145337120u), "170426");
}

TEST(SimNmea, ChecksumsAndPackedAngles) {
    EXPECT_EQ(nmea_sentence("PMGNCMD,END"), "$PMGNCMD,END*3D\r\n");
    EXPECT_EQ(nmea_sentence("PMGNCMD,TRACK"), "$PMGNCMD,TRACK*3D\r\n");
    struct Case {
        double deg;
        bool lat;
        const char* text;
        char hemi;
        double back;
    };
    const Case cases[] = {
        {32.07613, true, "3204.5678", 'N', 32 + 4.5678 / 60},
        {35.20576, false, "03512.3456", 'E', 35 + 12.3456 / 60},
        {-33.9, true, "3354.0000", 'S', -(33 + 54.0 / 60)},
        {31.99999999, true, "3200.0000", 'N', 32.0},   // minutes round up into the degree
        {-0.00000001, false, "00000.0000", 'E', 0.0},  // no "W" for a value that prints as zero
    };
    for (const Case& c : cases) {
        const PackedAngle a = c.lat ? pack_latitude(c.deg) : pack_longitude(c.deg);
        EXPECT_EQ(a.text, c.text);
        EXPECT_EQ(a.hemisphere, c.hemi);
        EXPECT_DOUBLE_EQ(a.degrees, c.back);
    }
    EXPECT_EQ(format_degrees(0.00001), "0.00001");
    EXPECT_EQ(format_degrees(-31.5), "-31.5");
    EXPECT_EQ(format_degrees(32.0761300000000034), "32.07613");
}

TEST(SimTrackFile, ReadsPointsHeadersAndReportsTheBadLine) {
    const auto ok =
        parse_track_text("# c\nH,Day 1\n\n32,35\n32.1,35.1,1000,1,12.5\n32.2,35.2\n", "t");
    ASSERT_TRUE(ok.track);
    ASSERT_EQ(ok.track->records.size(), 4u);
    EXPECT_EQ(ok.track->records[0].header.ident, "Day 1");
    EXPECT_EQ(ok.track->records[1].point.seconds, default_clock_start());
    EXPECT_TRUE(ok.track->records[2].point.new_segment);
    EXPECT_EQ(ok.track->records[2].point.alt, 12.5f);
    EXPECT_EQ(ok.track->records[3].point.seconds, 1010u);

    const std::pair<const char*, const char*> bad[] = {
        {"32,35\n91,35\n", "t:2: latitude"}, {"32,180\n", "t:1: longitude"},
        {"32,35,-1\n", "t:1: seconds"},      {"32,35,4294967296\n", "t:1: seconds"},
        {"32,35,5,2\n", "t:1: newseg"},      {"32,35,5,1,high\n", "t:1: altitude"},
        {"32\n", "t:1: expected"},           {"32,35,1,1,1,1\n", "t:1: expected"},
        {"Hx\n", "t:1: expected H,ident"},   {"nan,35\n", "t:1: latitude"},
    };
    for (const auto& [text, error] : bad) {
        const auto r = parse_track_text(text, "t");
        EXPECT_FALSE(r.track) << text;
        EXPECT_EQ(r.error.rfind(error, 0), 0u) << r.error;
    }
}

TEST(SimOptions, ParsesTheContractAndRefusesMistakes) {
    const auto r = parse_options({"--protocol", "garmin", "--caps=l002-d310", "--corrupt", "3",
                                  "--ack-timeout", "50", "--once", "--seed", "99"});
    ASSERT_EQ(r.action, ParseResult::Action::run);
    EXPECT_EQ(r.options.caps, Caps::l002_d310);
    EXPECT_EQ(r.options.corrupt, 3);
    EXPECT_EQ(r.options.ack_timeout_ms, 50);
    EXPECT_TRUE(r.options.once);
    EXPECT_EQ(r.options.seed, 99u);
    EXPECT_EQ(r.options.product_description(), "Kelvaron Sim Software Version 3.00");

    const auto w = parse_options({"--empty"});
    EXPECT_EQ(w.action, ParseResult::Action::run);
    EXPECT_EQ(w.warnings.size(), 1u);

    const std::vector<std::vector<std::string>> bad = {
        {"--protocol", "nmea"},
        {"--speed", "0"},
        {"--points", "0"},
        {"--fault-rate", "2"},
        {"--once=yes"},
        {"--corrupt", "-1"},
        {"--track", "a", "--points", "5"},
        {"--description", std::string(241, 'x')},
        {"--never-answer", "--nmea"},
        {"--max-resends"},
    };
    for (const auto& args : bad)
        EXPECT_EQ(parse_options(args).action, ParseResult::Action::error) << args[0];
    EXPECT_EQ(parse_options({"--help"}).action, ParseResult::Action::help);
}

TEST(SimFaults, DecisionsAreDeterministicAndBounded) {
    const FaultPlan explicit_faults({3, 4, 5, 0, 1});
    EXPECT_EQ(explicit_faults.decide(3, 0), Fault::corrupt);
    EXPECT_EQ(explicit_faults.decide(3, 1), Fault::none);
    EXPECT_EQ(explicit_faults.decide(4, 0), Fault::drop);
    EXPECT_EQ(explicit_faults.decide(5, 0), Fault::drop_ack);
    EXPECT_EQ(explicit_faults.decide(6, 0), Fault::none);

    const FaultPlan a({{}, {}, {}, 0.25, 42});
    const FaultPlan b({{}, {}, {}, 0.25, 42});
    int faults = 0;
    std::set<Fault> kinds;
    for (long i = 0; i < 4000; ++i) {
        EXPECT_EQ(a.decide(i, 0), b.decide(i, 0));
        EXPECT_EQ(a.decide(i, kRandomFaultAttempts), Fault::none);
        faults += a.decide(i, 0) != Fault::none;
        kinds.insert(a.decide(i, 0));
    }
    EXPECT_NEAR(faults / 4000.0, 0.25, 0.03);
    EXPECT_EQ(kinds.size(), 6u);
}

TEST(SimSamples, TracksArePlausibleAndRepeatable) {
    const Track sample = builtin_sample_track();
    EXPECT_GE(sample.point_count(), 200u);
    EXPECT_LE(sample.point_count(), 400u);
    int segments = 0;
    std::uint32_t previous = 0;
    for (const auto& r : sample.records) {
        if (r.is_header) continue;
        segments += r.point.new_segment;
        EXPECT_GT(r.point.seconds, previous);
        previous = r.point.seconds;
        EXPECT_NEAR(r.point.lat, 31.77, 0.03);
        EXPECT_NEAR(r.point.lon, 35.14, 0.04);
        EXPECT_GT(r.point.alt, 400.f);
        EXPECT_EQ(civil_from_receiver_seconds(r.point.seconds).year, 2026);
    }
    EXPECT_EQ(segments, 2);

    const Track hike = synthetic_hike(20000);
    EXPECT_EQ(hike.point_count(), 20000u);
    EXPECT_EQ(garmin_dump_text(hike), garmin_dump_text(synthetic_hike(20000)));
    int hike_segments = 0;
    for (const auto& r : hike.records) {
        if (r.is_header) continue;
        hike_segments += r.point.new_segment;
        EXPECT_NEAR(r.point.lat, 33.0, 0.1);
        EXPECT_NEAR(r.point.lon, 35.41, 0.1);
    }
    EXPECT_GE(hike_segments, 4);
    EXPECT_LE(hike_segments, 14);
}

}  // namespace
}  // namespace ksim
