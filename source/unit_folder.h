// A receiver mounted as a drive: the folder it is mounted at, what its GarminDevice.xml
// says, and the file that holds its track log.
#pragma once

#include <QString>
#include <optional>

#include "source/garmin_device.h"

namespace source {

// Where a file or folder was found on a unit. A folder on the way that the system would not
// read (no permission, a read error) is named with the system's reason, so that it is told
// apart from a place that is not there.
struct UnitPath {
    std::optional<QString> path;
    QString unreadFolder;  // empty when every folder on the way could be read
    QString reason;        // such as "Permission denied"
};

class UnitFolder {
  public:
    // Reads Garmin/GarminDevice.xml under `root` (the folder spelled Garmin or GARMIN);
    // without one the usual places are used.
    explicit UnitFolder(QString root);

    const QString& root() const { return root_; }
    // True when the drive's root holds Garmin/GarminDevice.xml.
    bool hasDeviceFile() const { return hasDeviceFile_; }
    // The model as the unit names it, else the folder's own name.
    QString model() const;
    // "eTrex 30 — /media/USER/GARMIN", as the Port list shows it.
    QString label() const;
    // The unit's current GPX file; else its newest activity FIT file; empty when it has
    // neither.
    QString trackFile() const;
    // trackFile(), or a ReadError that says why there is none: a folder that cannot be read,
    // or neither place, with a hint when `root` is a folder inside a unit.
    QString trackLog() const;

  private:
    UnitPath findTrackFile() const;
    UnitPath currentGpx() const;
    UnitPath newestActivity() const;
    // The drive's root when `root_` is one of the folders of a unit (the Garmin folder named
    // instead of the drive); empty when it is not.
    QString enclosingUnit() const;

    QString root_;
    bool hasDeviceFile_ = false;
    GarminDevice device_;
};

// `relative` under `root`, each of its parts matched without regard to case when it is not
// there as spelled (a FAT drive mounted by hand keeps the case its folders were made with);
// no path when a part is missing or a folder on the way cannot be read.
UnitPath findPath(const QString& root, const QString& relative);

}  // namespace source
