// Units that are media devices (MTP: the newest hand-helds and the watches) as the desktop
// or a FUSE tool mounts them: GNOME's gvfs under the user's runtime folder, one folder per
// storage in gvfs/mtp:host=…/; jmtpfs, go-mtpfs and the like with the storages as folders
// of the mount point; simple-mtpfs with the mount point a storage of its own. The lookup
// stays cheap: those places only, one level of storages, nothing searched below them.
#pragma once

#include <QString>
#include <QStringList>

#include "source/mounted_volumes.h"

namespace source {

// Where media devices are mounted, given so that tests use a folder and a table of their own.
struct MtpPlaces {
    QString runtimeDir;  // gvfs mounts in its gvfs/ folder
    QString mountTable;  // the file of the kernel's mount table

    // The user's runtime folder and /proc/self/mountinfo.
    static MtpPlaces ofSystem();
};

class MtpStorages : public MountedVolumes {
  public:
    explicit MtpStorages(MtpPlaces places) : places_(std::move(places)) {}
    // The storages of the media devices mounted; a folder that cannot be read is passed over.
    QStringList roots() const override;

  private:
    QStringList gvfsStorages() const;
    QStringList fuseStorages() const;

    MtpPlaces places_;
};

// `xdgRuntimeDir` (the variable's value), else /run/user/UID as systemd makes it.
QString runtimeDirOf(const QString& xdgRuntimeDir, unsigned uid);
// A file-system type of a FUSE tool for media devices, such as "fuse.jmtpfs".
bool isMtpFileSystem(const QString& type);

}  // namespace source
