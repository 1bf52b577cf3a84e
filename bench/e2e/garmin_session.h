// One Garmin download through the real window, QSerialPort, reply timer and engine, run
// as the program runs it: Save, then the application's event loop until the end of the
// transfer ends the program. Message boxes, the readme and the exit are the e2e
// harness's recording fakes, so nothing waits for a user.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

#include "tests/support/qt/e2e_harness.h"

namespace kelvaron_bench {

using Steady = std::chrono::steady_clock;  // CLOCK_MONOTONIC

struct DownloadResult {
    bool saved = false;  // Save returned within its limit
    bool ended = false;  // the program ended (the transfer completed)
    QStringList messages;
    // Save has returned: the track log has just been asked for.
    Steady::time_point requested{};
    // The first message box of the completion ("Received N records.").
    std::optional<Steady::time_point> completed;
};

class GarminSession {
  public:
    // The window on "Garmin", COM1 mapped to `device` at `speed` bit/s, its settings file,
    // temporary folder and output file in `folder`.
    GarminSession(const QString& folder, const QString& device, int speed);

    // Save, then the event loop until the program ends, a message other than the
    // completion's comes, or `limitMs` have passed.
    DownloadResult run(int limitMs);

    QString outputFile() const { return output_; }

    // Run when Save has returned, and inside the completion's first message box.
    std::function<void()> onRequested;
    std::function<void()> onCompleted;

  private:
    testkit::LiveWindow window_;
    QString output_;
};

}  // namespace kelvaron_bench
