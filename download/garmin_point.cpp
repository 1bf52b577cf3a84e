#include "download/garmin_point.h"

#include <QString>

namespace app {

void Write_Track_Point(seams::PointSink& sink, const garmin::cTrack& t, float elevation) {
    if (!t.hasPosition()) {
        sink.pointWithoutPosition(t.New_Segment);
        return;
    }
    sink.point({t.lat, t.lon, t.Time, elevation, t.New_Segment});
}

std::string garminTrackName(const std::string& name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())).toStdString();
}

}  // namespace app
