// One track point together with the fields of the most recent track header.
// The engine owns one and overwrites it with every decoded packet.
#pragma once

#include <cstdint>
#include <string>

namespace garmin {

class cTrack {
  public:
    double lat = 0;
    double lon = 0;
    std::string Time;
    bool New_Segment = false;
    float Alt = 0;
    float Dpth = 0;
    bool Dspl = false;
    std::uint8_t Color = 0;
    std::string Ident;
    std::string Datum;  // never set by any receiver packet; kept for callers that expect it

    // False for a point the receiver stored without a fix: it sends such points with
    // latitude and longitude 0x7FFFFFFF semicircles, which read as about 180 degrees.
    // Any latitude beyond a pole is no position either.
    bool hasPosition() const { return lat >= -90.0 && lat <= 90.0; }

    // Called at the start of every track request so a download never starts with
    // the fields of an earlier one.
    void Clear();
};

}  // namespace garmin
