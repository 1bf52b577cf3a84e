// One track point record.
#include "garmin/track.h"

namespace garmin {

void cTrack::Clear() {
    lat = 0;
    lon = 0;
    Time.clear();
    New_Segment = false;
    Alt = 0;
    Dpth = 0;
    Dspl = false;
    Color = 0;
    Ident.clear();
}

}  // namespace garmin
