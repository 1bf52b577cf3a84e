// An opt-in trace of every frame or sentence between the program and the receiver, for a
// bug report about a receiver that misbehaves. One line each: the time (ISO 8601, UTC, with
// milliseconds), the direction ("PC -» GPS" out, "PC «- GPS" in) and the frame's bytes in
// hexadecimal as the Garmin engine traces them, or the sentence's text. A link error the
// engine reports is a line of its own among them, with the engine's message.
//
//   2026-12-06T19:04:05.123Z PC -» GPS 10 FE 00 02 10 03
//   2026-12-06T19:04:05.160Z PC «- GPS $GPRMC,190405,A,3204.5678,N,03512.3456,E*6B
//   2026-12-06T19:04:13.170Z link error: No response from device on port 1
//   2026-12-06T19:04:13.270Z port speed: 115200 bit/s
//
// When no trace is asked for, nothing is opened, built or formatted.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <string_view>

#include "trackfile/file_handle.h"

namespace garmin {
class cGarminGPS;
}

namespace app {

class SettingsStore;
struct PortChoice;

class FrameTrace {
  public:
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    explicit FrameTrace(WallClock now = [] { return std::chrono::system_clock::now(); })
        : now_(std::move(now)) {}

    // The trace file asked for: the port choice's, else the environment's KELVARON_TRACE,
    // else the settings' [Settings] Trace; empty when none is.
    static QString chosenFile(const PortChoice& choice, const SettingsStore& settings);

    // Starts the trace in a new file at `path` (an earlier one there is emptied; a link
    // there is refused, not followed). Empty when it is open, else why not, for the user.
    QString open(const QString& path);
    // Opens the file asked for, if any: empty, or why it could not be opened.
    QString openChosen(const PortChoice& choice, const SettingsStore& settings);
    void close() { file_.reset(); }
    bool isOpen() const { return file_ != nullptr; }

    // One trace line as the Garmin engine builds it (one character per byte).
    void engineLine(std::string_view text);
    // A line of text sent or received, without its line end.
    void sent(std::string_view text);
    void received(std::string_view text);
    // The Garmin engine's message of a link error (one character per byte).
    void linkError(std::string_view message);
    // The port was moved to another speed: "port speed: 115200 bit/s".
    void portSpeed(int bitsPerSecond);

    // Traces the engine's frames and sentences while the trace is open; with no trace it
    // lets go of the engine, which then builds no trace text at all.
    void attach(garmin::cGarminGPS& gps);

  private:
    void write(std::string_view prefix, std::string_view text);

    WallClock now_;
    trackfile::FileHandle file_;
};

}  // namespace app
