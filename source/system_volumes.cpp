#include "source/system_volumes.h"

#include <QStorageInfo>

#include "source/mtp_storages.h"

namespace source {

// QStorageInfo leaves out the kernel's own file systems (proc, sysfs and the like); a
// simple-mtpfs mount may be among its volumes and the media devices' storages as well.
QStringList SystemVolumes::roots() const {
    QStringList roots;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady()) roots << v.rootPath();
    for (const QString& storage : MtpStorages(MtpPlaces::ofSystem()).roots())
        if (!roots.contains(storage)) roots << storage;
    return roots;
}

}  // namespace source
