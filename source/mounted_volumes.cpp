#include "source/mounted_volumes.h"

namespace source {

std::vector<UnitFolder> findUnits(const MountedVolumes& volumes) {
    std::vector<UnitFolder> units;
    for (const QString& root : volumes.roots()) {
        UnitFolder unit(root);
        if (unit.hasDeviceFile()) units.push_back(std::move(unit));
    }
    return units;
}

}  // namespace source
