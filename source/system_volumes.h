// The mounted volumes as the system lists them.
#pragma once

#include "source/mounted_volumes.h"

namespace source {

class SystemVolumes : public MountedVolumes {
  public:
    QStringList roots() const override;
};

}  // namespace source
