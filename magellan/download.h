// The Magellan track download: one command sentence out, the whole text reply in,
// its points through a temporary point file to the output file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "seams/seams.h"

namespace magellan {

struct DownloadRequest {
    int port = 1;            // 1 = the first serial port
    std::string settings;    // line settings, such as "4800,n,8,1"
    std::string portLabel;   // how messages name the port, such as "COM1 (/dev/ttyS0)"
    std::string outputName;  // the output file the track becomes
};

// The window's side of a download.
struct DownloadHooks {
    std::function<void(const std::string&)> showCaption;
    // The bytes of the reply so far, each time more arrive (may be empty).
    std::function<void(std::int64_t)> bytesReceived;
    std::function<void(const std::string&)> showMessage;
    // Why the port did not open, in words for the user (may be empty).
    std::function<std::string()> openFailureText;
    // True once the program is ending, so the receive loop lets go (may be empty).
    std::function<bool()> stopRequested;
    // True when the user stopped the download and wants what arrived kept (may be empty).
    std::function<bool()> interrupted;
    // A new empty temporary file; throws std::exception when none can be made.
    std::function<std::string()> makeTempName;
    // Converts the closed point file into the output file and deletes it. Returns
    // false after it has told the user itself why that failed.
    std::function<bool(const std::string& pointFile)> finishOutputFile;
    // The clock a silent receiver is timed on; without one the download waits for the end
    // sentence, the port's loss or the program's end.
    const seams::Clock* clock = nullptr;
};

enum class DownloadOutcome {
    Saved,          // the whole track is in the output file
    NoData,         // the reply held no track point
    PortNotOpened,  // nothing was sent
    CutShort,       // the reply ended early; the points before were kept if any
    NoAnswer,       // no track line came before the receiver fell silent
    Stopped,        // the program is ending
    NotSaved,       // a file could not be made; the user has been told
};

// Runs one download. The port is closed again on every path.
DownloadOutcome downloadTrack(seams::SerialPort& port, seams::EventPump& pump,
                              const DownloadRequest& request, const DownloadHooks& hooks);

}  // namespace magellan
