// The mounted volumes as the system lists them, and the storages of the media devices the
// desktop or a FUSE tool has mounted.
#pragma once

#include "source/mounted_volumes.h"

namespace source {

class SystemVolumes : public MountedVolumes {
  public:
    QStringList roots() const override;
};

}  // namespace source
