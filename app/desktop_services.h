// The small desktop services of the program: the readme opener, temporary point
// files and ending the program.
#pragma once

#include <utility>

#include "app/services.h"

namespace app {

// QDesktopServices' open action. A missing file counts as a failure, since the
// desktop would only show its own error for it.
class DesktopReadmeOpener final : public ReadmeOpener {
  public:
    bool open(const QString& path) override;
};

class SystemTempFiles final : public TempFiles {
  public:
    // In `folder`, or in the user's temporary directory when it is empty.
    explicit SystemTempFiles(QString folder = {}) : folder_(std::move(folder)) {}
    QString create() override;

  private:
    QString folder_;
};

// std::exit: C streams (the open point file among them) are flushed and closed.
class SystemProgramExit final : public ProgramExit {
  public:
    void exitNow(int code) override;
};

}  // namespace app
