// Temporary point files in the user's temporary directory, on QTemporaryFile.
#pragma once

#include <utility>

#include "download/download_services.h"

namespace app {

class SystemTempFiles final : public TempFiles {
  public:
    // In `folder`, or in the user's temporary directory when it is empty.
    explicit SystemTempFiles(QString folder = {}) : folder_(std::move(folder)) {}
    QString create() override;

  private:
    QString folder_;
};

}  // namespace app
