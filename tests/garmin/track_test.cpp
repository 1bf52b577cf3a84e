// Track points and headers: decoding into Track and encoding for upload.
#include <bit>

#include "fakes.h"
#include "garmin/units.h"

namespace garmin::test {
namespace {

class TrackTest : public EngineTest {
  protected:
    void useFormat(int format) { report({{'L', 1}, {'A', 301}, {'D', format}}); }
};

Bytes floatBytes(float value) {
    return le32(std::bit_cast<std::uint32_t>(value));
}

struct PointCase {
    const char* name;
    int format;
    Bytes data;
    double lat, lon;
    std::string time;
    bool segment;
    float alt, depth;  // what Track holds afterwards
};

TEST_F(TrackTest, PointsDecodeByTheTrackDataFormat) {
    const Bytes position = le32(1u << 29) + le32(0x80000000u);
    const PointCase cases[] = {
        {"D300", 300, position + le32(3653 * 86400) + Bytes{0x80}, 45, -180, "2000/01/01-00:00:00",
         true, 7, 8},
        {"D300 keeps the earlier altitude", 300, position + le32(0) + Bytes{0}, 45, -180,
         "1989/12/31-00:00:00", false, 7, 8},
        {"D301", 301, position + le32(86399) + floatBytes(1.5f) + floatBytes(-2.25f) + Bytes{1}, 45,
         -180, "1989/12/31-23:59:59", true, 1.5f, -2.25f},
        {"D310 reads like D301", 310,
         position + le32(86400) + floatBytes(3) + floatBytes(4) + Bytes{0}, 45, -180,
         "1990/01/01-00:00:00", false, 3, 4},
        {"no time", 301, position + le32(0xFFFFFFFFu) + floatBytes(3) + floatBytes(4) + Bytes{0},
         45, -180, "N/A", false, 3, 4},
        {"time past 2^31 seconds", 300, position + le32(0x80000000u) + Bytes{0}, 45, -180,
         "2058/01/18-03:14:08", false, 3, 4},
        {"short: missing fields read 0, the missing flag keeps its value", 300, le32(1u << 29), 45,
         0, "1989/12/31-00:00:00", false, 3, 4},
        {"short D301: altitude and depth read 0", 301, position + le32(0) + Bytes{1}, 45, -180,
         "1989/12/31-00:00:00", false, 0, 0},
        {"other format: position and time only", 100, position + le32(0) + Bytes{1}, 45, -180,
         "1989/12/31-00:00:00", false, 0, 0},
    };
    gps.Track.Alt = 7;
    gps.Track.Dpth = 8;
    for (const auto& c : cases) {
        useFormat(c.format);
        feed(frame(34, c.data));
        EXPECT_DOUBLE_EQ(gps.Track.lat, c.lat) << c.name;
        EXPECT_DOUBLE_EQ(gps.Track.lon, c.lon) << c.name;
        EXPECT_EQ(gps.Track.Time, c.time) << c.name;
        EXPECT_EQ(gps.Track.New_Segment, c.segment) << c.name;
        EXPECT_EQ(gps.Track.Alt, c.alt) << c.name;
        EXPECT_EQ(gps.Track.Dpth, c.depth) << c.name;
    }
}

struct HeaderCase {
    const char* name;
    int format;
    Bytes data;
    bool display;
    std::uint8_t color;
    std::string ident;
};

TEST_F(TrackTest, HeadersDecodeOnlyWithTheD301Layout) {
    const HeaderCase cases[] = {
        {"D310 header", 310, Bytes{1, 5} + bytes("track a") + Bytes{0}, true, 5, "track a"},
        {"D300 ignores headers", 300, Bytes{0, 9} + bytes("other") + Bytes{0}, true, 5, "track a"},
        {"D301 header", 301, Bytes{0, 2} + bytes("B") + Bytes{0}, false, 2, "B"},
        {"three bytes: empty name", 301, Bytes{1, 3, 0}, true, 3, ""},
        {"under three bytes: empty name", 301, Bytes{0, 4}, false, 4, ""},
        {"no data", 301, Bytes{}, false, 4, ""},
    };
    for (const auto& c : cases) {
        useFormat(c.format);
        gps.Track.Ident = "previous";
        if (c.format == 300) gps.Track.Ident = "track a";
        feed(frame(99, c.data));
        EXPECT_EQ(gps.Track.Dspl, c.display) << c.name;
        EXPECT_EQ(gps.Track.Color, c.color) << c.name;
        EXPECT_EQ(gps.Track.Ident, c.ident) << c.name;
    }
}

TEST_F(TrackTest, HeaderFieldsStayWithTheFollowingPoints) {
    useFormat(301);
    feed(frame(99, Bytes{1, 7} + bytes("T") + Bytes{0}));
    for (int i = 0; i < 3; ++i) {
        feed(frame(34, Bytes(21, 0)));
        EXPECT_EQ(gps.Track.Ident, "T");
        EXPECT_EQ(gps.Track.Color, 7);
    }
}

TEST_F(TrackTest, RequestTracksClearsTheRecordEvenWhenNothingIsSent) {
    gps.Track.Ident = "old";
    gps.Track.lat = 3;
    gps.PortClose();
    gps.Request_Tracks();
    EXPECT_TRUE(port.written.empty());
    EXPECT_EQ(gps.Track.Ident, "");
    EXPECT_EQ(gps.Track.lat, 0);
    EXPECT_EQ(gps.Track.Time, "");
}

struct UploadCase {
    const char* name;
    int format;
    double lat, lon;
    std::string time;
    Bytes data;  // expected data bytes of the point packet
};

TEST_F(TrackTest, SendTrackEncodesThePoint) {
    const UploadCase cases[] = {
        {"D300", 300, 45, -45, "2000/01/01-00:00:00",
         le32(1u << 29) + le32(0xE0000000u) + le32(3653 * 86400) + Bytes{255}},
        {"180 degrees wraps to -180", 300, -180, 180, "N/A",
         le32(0x80000000u) + le32(0x80000000u) + le32(0xFFFFFFFFu) + Bytes{255}},
        {"540 degrees, unreadable time", 300, 540, 360, "yesterday",
         le32(0x80000000u) + le32(0) + le32(0xFFFFFFFFu) + Bytes{255}},
        {"date past 2058", 300, 0, 0, "2058/01/18-03:14:08",
         le32(0) + le32(0) + le32(0x80000000u) + Bytes{255}},
        {"D301", 301, 0, 0, "1989/12/31-00:00:01",
         le32(0) + le32(0) + le32(1) + floatBytes(12.5f) + floatBytes(-1) + Bytes{255}},
        {"D310", 310, 0, 0, "1989/12/31-00:00:01",
         le32(0) + le32(0) + le32(1) + floatBytes(12.5f) + floatBytes(-1) + Bytes{255}},
    };
    for (const auto& c : cases) {
        useFormat(c.format);
        gps.Track.lat = c.lat;
        gps.Track.lon = c.lon;
        gps.Track.Time = c.time;
        gps.Track.New_Segment = true;
        gps.Track.Alt = 12.5f;
        gps.Track.Dpth = -1;
        gps.Send_Track();
        EXPECT_EQ(takeWritten(), frame(34, c.data)) << c.name;
    }
}

TEST_F(TrackTest, SendTrackHeaderUploadsTheNameInUpperCase) {
    useFormat(310);
    gps.Track.Dspl = true;
    gps.Track.Color = 3;
    gps.Track.Ident = "route 1\xE9";
    gps.Send_Track_Header();
    EXPECT_EQ(takeWritten(), frame(99, Bytes{255, 3} + bytes("ROUTE 1\xC9") + Bytes{0}));
    gps.Track.Ident = std::string(300, 'a');  // the size byte holds at most 252 letters
    gps.Send_Track_Header();
    EXPECT_EQ(takeWritten(), frame(99, Bytes{255, 3} + bytes(std::string(252, 'A')) + Bytes{0}));
}

TEST_F(TrackTest, UploadWithAnotherFormatSendsNothing) {
    useFormat(300);
    gps.Send_Track_Header();
    useFormat(302);
    gps.Send_Track();
    gps.Send_Track_Header();
    EXPECT_TRUE(port.written.empty());
}

}  // namespace
}  // namespace garmin::test
