#include "source/system_volumes.h"

#include <QStorageInfo>

namespace source {

// QStorageInfo leaves out the kernel's own file systems (proc, sysfs and the like).
QStringList SystemVolumes::roots() const {
    QStringList roots;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady()) roots << v.rootPath();
    return roots;
}

}  // namespace source
