// The drives mounted on the machine, behind an interface so that tests give a list of
// their own; and the receivers among them.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "source/unit_folder.h"

namespace source {

class MountedVolumes {
  public:
    virtual ~MountedVolumes() = default;
    // The folders volumes are mounted at.
    virtual QStringList roots() const = 0;
};

// The volumes whose root holds Garmin/GarminDevice.xml, in the order listed.
std::vector<UnitFolder> findUnits(const MountedVolumes& volumes);

}  // namespace source
