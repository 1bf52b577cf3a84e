// The Magellan track download: one command sentence out, the whole text reply in,
// its points handed to the output's point sink. It waits by returning:
// the port's events, a silence deadline and the user's stop are fed to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "magellan/reply.h"
#include "seams/download_end.h"
#include "seams/point_sink.h"

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
    // The reply's points go to `points` between these two: the first gets the output ready
    // for them, the second makes it. Each returns false after it has told the user itself
    // why that failed.
    std::function<bool()> startPoints;
    seams::PointSink* points = nullptr;
    std::function<bool()> finishPoints;
};

// A reply that ended early (also stopped by the user) is CutShort, the points before it
// kept if any; NoAnswer when no track line came before the receiver fell silent; NoTrack
// when the reply held no track point.
using seams::DownloadEnd;

// One download, from start() to its end. The port is closed again on every path; the
// silence deadline is armed while the reply comes.
class TrackDownload {
  public:
    TrackDownload(seams::SerialPort& port, seams::Deadline& silence, DownloadRequest request,
                  DownloadHooks hooks);
    ~TrackDownload();
    TrackDownload(const TrackDownload&) = delete;
    TrackDownload& operator=(const TrackDownload&) = delete;

    // Opens the port and sends the command; a port that does not open ends the download.
    void start();
    // The port has something to read, or has gone (it reads as closed).
    void onPortEvent();
    // The silence deadline has passed without a line.
    void onSilence();
    // The user stopped the download: what arrived is kept.
    void stop();

    bool running() const { return running_; }
    // How it ended; meaningful once running() is false after start().
    DownloadEnd outcome() const { return outcome_; }

  private:
    void readPort();
    void end(Reply::Outcome how);
    DownloadEnd conclude(const Reply& reply);
    void close();

    seams::SerialPort& port_;
    seams::Deadline& silence_;
    const DownloadRequest request_;
    const DownloadHooks hooks_;
    ReplyCollector collector_;
    bool running_ = false;
    DownloadEnd outcome_ = DownloadEnd::PortNotOpened;
};

}  // namespace magellan
