// The small desktop services of the window: the readme opener and ending the program.
#pragma once

#include "window/services.h"

namespace app {

// QDesktopServices' open action. A missing file counts as a failure, since the
// desktop would only show its own error for it.
class DesktopReadmeOpener final : public ReadmeOpener {
  public:
    bool open(const QString& path) override;
};

// std::exit: C streams (the open point file among them) are flushed and closed.
class SystemProgramExit final : public ProgramExit {
  public:
    void exitNow(int code) override;
};

}  // namespace app
