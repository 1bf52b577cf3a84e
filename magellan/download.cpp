#include "magellan/download.h"

#include <exception>
#include <vector>

#include "magellan/point_writer.h"
#include "magellan/reply.h"
#include "magellan/sentence.h"

namespace magellan {

namespace {

class PortCloser {
  public:
    explicit PortCloser(seams::SerialPort& port) : port_(port) {}
    ~PortCloser() { port_.close(); }
    PortCloser(const PortCloser&) = delete;
    PortCloser& operator=(const PortCloser&) = delete;

  private:
    seams::SerialPort& port_;
};

void tell(const DownloadHooks& hooks, const std::string& text) {
    if (hooks.showMessage) hooks.showMessage(text);
}

std::string openFailure(const DownloadRequest& request, const DownloadHooks& hooks) {
    std::string text = hooks.openFailureText ? hooks.openFailureText() : std::string();
    return text.empty() ? "Cannot open port " + request.portLabel + "." : text;
}

std::string whyCutShort(const Reply& reply, const DownloadRequest& request,
                        const DownloadHooks& hooks) {
    if (hooks.interrupted && hooks.interrupted())
        return "The download from the receiver on " + request.portLabel + " was stopped.";
    if (reply.outcome == Reply::Outcome::Silent)
        return "No reply from the receiver on " + request.portLabel + " for " +
               std::to_string(kReplySilenceSeconds) + " seconds.";
    if (reply.outcome == Reply::Outcome::TooLong)
        return "The receiver on " + request.portLabel +
               " sent more than 32 MiB without ending its track, so the download was stopped.";
    return "The connection to the receiver on " + request.portLabel +
           " was lost before the end of the track.";
}

// Writes the points to a fresh temporary point file and has the window finish it.
bool savePoints(const std::vector<ReplyPoint>& points, const DownloadHooks& hooks) {
    std::string pointFile;
    try {
        pointFile = hooks.makeTempName();
    } catch (const std::exception& e) {
        tell(hooks, std::string("Cannot create a temporary point file: ") + e.what() +
                        "\r\nThe track was not saved.");
        return false;
    }
    try {
        writePointFile(pointFile, points);
    } catch (const std::exception& e) {
        // The file stays on disk: it holds every point that could be written before the failure.
        tell(hooks, std::string(e.what()) +
                        "\r\nThe track was not saved in full; the points written " +
                        "before the failure are kept in " + pointFile + ".");
        return false;
    }
    return hooks.finishOutputFile(pointFile);
}

}  // namespace

DownloadOutcome downloadTrack(seams::SerialPort& port, seams::EventPump& pump,
                              const DownloadRequest& request, const DownloadHooks& hooks) {
    PortCloser closer(port);
    if (!port.open(request.port, request.settings)) {
        tell(hooks, openFailure(request, hooks));
        return DownloadOutcome::PortNotOpened;
    }
    port.write(std::string(kTrackCommand));

    const Reply reply = receiveReply(
        port, pump, {hooks.showCaption, hooks.stopRequested, hooks.bytesReceived}, hooks.clock);
    if (reply.outcome == Reply::Outcome::Stopped) return DownloadOutcome::Stopped;

    const auto points = replyPoints(std::string_view(reply.text).substr(0, reply.end));
    if (reply.outcome != Reply::Outcome::Complete) {
        // Whatever complete lines arrived before the line went quiet are still a track.
        const std::string why = whyCutShort(reply, request, hooks);
        if (points.empty() && reply.outcome == Reply::Outcome::Silent) {
            tell(hooks, why + (reply.text.empty()
                                   ? "\r\nThe receiver did not answer: check that it is on, "
                                     "connected to this port and set to this speed."
                                   : "\r\nThe receiver talked but sent no track: it may not "
                                     "understand the track command, or it is in NMEA mode."));
            return DownloadOutcome::NoAnswer;
        }
        if (points.empty()) {
            tell(hooks, why + "\r\nNo track point had arrived.");
        } else if (savePoints(points, hooks)) {
            tell(hooks, why + "\r\nThe " + std::to_string(points.size()) +
                            " points received before were saved to " + request.outputName + ".");
        } else {
            tell(hooks, why);
        }
        return DownloadOutcome::CutShort;
    }
    if (points.empty()) {
        tell(hooks, "No track data found!");
        return DownloadOutcome::NoData;
    }
    return savePoints(points, hooks) ? DownloadOutcome::Saved : DownloadOutcome::NotSaved;
}

}  // namespace magellan
