// What the download runner needs from its owner (the window, or kelvaron-get on a
// terminal): the downloads' messages and questions, the caption, the progress, and the
// one end of each download.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "seams/download_end.h"

namespace app {

class RunnerUi {
  public:
    virtual ~RunnerUi() = default;
    // As DownloadUi says: a message returns at once and the boxes are shown one at a time.
    virtual void showMessage(const QString& text) = 0;
    virtual void askRetry(const QString& text, std::function<void(bool)> answer) = 0;
    virtual void afterMessages(std::function<void()> action) = 0;
    virtual bool messagePending() const = 0;
    virtual void setCaption(const QString& text) { (void)text; }
    virtual void setSplitLocked(bool locked) { (void)locked; }
    virtual void progress(std::int64_t received, std::int64_t total) {
        (void)received;
        (void)total;
    }
    virtual void linkSpeed(int bitsPerSecond) { (void)bitsPerSecond; }
    // The download is over, told once for each start: how it ended (nothing when it
    // stopped without saying), after the user has read its messages. `programEnds`: the
    // download asked for the program to end, which it does at once, messages or not.
    virtual void downloadEnded(std::optional<seams::DownloadEnd> end, bool programEnds) = 0;
};

}  // namespace app
