// What a unit's Garmin/GarminDevice.xml says of itself: its model, and where it keeps its
// current GPX track log and its FIT activities. Units write this file themselves; one
// that cannot be read leaves the usual places.
#pragma once

#include <QIODevice>
#include <QString>

namespace source {

// A place of files on the unit, relative to the drive's root, as the file spells it.
struct FilePlace {
    QString path;       // such as Garmin/GPX/Current
    QString baseName;   // such as Current; empty when any name will do
    QString extension;  // such as GPX
};

struct GarminDevice {
    QString model;  // Model/Description, such as "eTrex 30"; empty when not given
    // The unit's own current log (GPSData, read from the unit).
    FilePlace currentGpx = {QStringLiteral("Garmin/GPX/Current"), QStringLiteral("Current"),
                            QStringLiteral("GPX")};
    // Its activities (FIT_TYPE_4).
    FilePlace activities = {QStringLiteral("Garmin/Activity"), QString(), QStringLiteral("FIT")};

    // Reads the description from `in`; what it does not say (or a file that is not well
    // formed from where it breaks, or a place outside the unit: an absolute path, or one
    // with "..") keeps the values above.
    static GarminDevice read(QIODevice& in);
};

}  // namespace source
