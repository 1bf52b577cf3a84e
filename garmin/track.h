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

    // Called at the start of every track request so a download never starts with
    // the fields of an earlier one.
    void Clear();
};

}  // namespace garmin
