#include "source/mtp_storages.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "source/mount_table.h"
#include "source/unit_folder.h"

namespace source {

namespace {

// The folders right inside `folder`, by name; none when it cannot be read.
QStringList subfolders(const QString& folder) {
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

bool holdsDeviceFile(const QString& folder) {
    return findPath(folder, QStringLiteral("Garmin/GarminDevice.xml")).path.has_value();
}

}  // namespace

MtpPlaces MtpPlaces::ofSystem() {
    return {runtimeDirOf(qEnvironmentVariable("XDG_RUNTIME_DIR"), ::getuid()),
            QStringLiteral("/proc/self/mountinfo")};
}

QStringList MtpStorages::roots() const {
    return gvfsStorages() + fuseStorages();
}

// gvfs names a device's folder after its connection ("mtp:host=091e_4cda_0000cafe1234") and
// each storage after the device's own name for it ("Internal Storage").
QStringList MtpStorages::gvfsStorages() const {
    QStringList storages;
    for (const QString& device : subfolders(places_.runtimeDir + QStringLiteral("/gvfs")))
        if (QDir(device).dirName().startsWith(QLatin1String("mtp:"), Qt::CaseInsensitive))
            storages += subfolders(device);
    return storages;
}

// A mount point that is itself a unit's storage keeps its folders unlooked at: on a media
// device each folder listed is a slow request.
QStringList MtpStorages::fuseStorages() const {
    QFile table(places_.mountTable);
    if (!table.open(QIODevice::ReadOnly)) return {};
    QStringList storages;
    for (const Mount& mount : parseMountTable(table.readAll())) {
        if (!isMtpFileSystem(mount.type)) continue;
        const QString point = QDir::cleanPath(mount.mountPoint);
        if (storages.contains(point) || !QFileInfo(point).isDir()) continue;
        storages << point;
        if (!holdsDeviceFile(point)) storages += subfolders(point);
    }
    return storages;
}

QString runtimeDirOf(const QString& xdgRuntimeDir, unsigned uid) {
    if (!xdgRuntimeDir.isEmpty()) return xdgRuntimeDir;
    return QStringLiteral("/run/user/%1").arg(uid);
}

// jmtpfs, simple-mtpfs, go-mtpfs, mtpfs and aft-mtp-mount all carry "mtp" in their name.
bool isMtpFileSystem(const QString& type) {
    return type.startsWith(QLatin1String("fuse.")) &&
           type.contains(QLatin1String("mtp"), Qt::CaseInsensitive);
}

}  // namespace source
