// What a download needs from whoever runs it: the download runner, for the window or for a
// program without one.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "seams/download_end.h"
#include "trackfile/convert.h"

namespace app {

// The user's file choices. They are asked for each time they matter, not once at Save;
// the window keeps its inputs locked while a transfer runs, so they stay as they were.
struct FileChoices {
    QString fileName;    // the output file, or the base of the numbered ones
    bool split = false;  // one file per track segment
    coords::CoordSystem system = coords::CoordSystem::LatLon;
    bool reduce = false;
    QString deviation;  // the minimal deviation as typed
};

using seams::DownloadEnd;

class DownloadUi {
  public:
    virtual ~DownloadUi() = default;
    // A message with an OK button; lines separated by CR LF. It returns at once: messages
    // are shown one at a time, in order, each after the one before was answered.
    virtual void showMessage(const QString& text) = 0;
    // A Retry/Cancel question, shown in turn like a message; `answer` gets true for Retry.
    virtual void askRetry(const QString& text, std::function<void(bool)> answer) = 0;
    // Runs `action` once every message and question shown before has been answered (at
    // once when none is waiting), so that what follows a message happens after the user
    // has read it.
    virtual void afterMessages(std::function<void()> action) = 0;
    // True while a message or question waits for its answer.
    virtual bool messagePending() const = 0;
    virtual void setCaption(const QString& text) = 0;
    virtual FileChoices fileChoices() const = 0;
    // The split choice must not change while the files of a download are made.
    virtual void setSplitLocked(bool locked) = 0;
    // A download gave up before its transfer: Save and the family can be used again.
    virtual void downloadStopped() = 0;
    // A transfer that ran on after start() returned has ended (Magellan); told after
    // ended() and the messages.
    virtual void downloadFinished() {}
    // Ends the program at once.
    virtual void endProgram() = 0;
    // True once the program is ending: nothing more is shown or started.
    virtual bool exiting() const = 0;
    // How far a transfer has got: records (Garmin) or bytes (Magellan) received, and
    // the total the receiver announced, 0 when it is not known.
    virtual void progress(std::int64_t received, std::int64_t total) {
        (void)received;
        (void)total;
    }
    // The receiver was moved to `bitsPerSecond` for its track.
    virtual void linkSpeed(int bitsPerSecond) { (void)bitsPerSecond; }
    // Why the download ended; told before the message that explains it, if any (a
    // Magellan download tells it at its end, after its messages). A later call
    // overrides an earlier Done: the finishing step can still fail.
    virtual void ended(DownloadEnd end) { (void)end; }
};

}  // namespace app
