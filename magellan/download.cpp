#include "magellan/download.h"

#include <string_view>
#include <utility>
#include <vector>

#include "magellan/sentence.h"

namespace magellan {

namespace {

void tell(const DownloadHooks& hooks, const std::string& text) {
    if (hooks.showMessage) hooks.showMessage(text);
}

std::string openFailure(const DownloadRequest& request, const DownloadHooks& hooks) {
    std::string text = hooks.openFailureText ? hooks.openFailureText() : std::string();
    return text.empty() ? "Cannot open port " + request.portLabel + "." : text;
}

std::string whyCutShort(const Reply& reply, const DownloadRequest& request) {
    if (reply.outcome == Reply::Outcome::Stopped)
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

// Magellan replies carry no time of day: every point is handed on without one.
bool savePoints(const std::vector<ReplyPoint>& points, const DownloadHooks& hooks) {
    if (!hooks.startPoints()) return false;
    for (const ReplyPoint& p : points) hooks.points->point({p.lat, p.lon});
    return hooks.finishPoints();
}

}  // namespace

TrackDownload::TrackDownload(seams::SerialPort& port, seams::Deadline& silence,
                             DownloadRequest request, DownloadHooks hooks)
    : port_(port), silence_(silence), request_(std::move(request)), hooks_(std::move(hooks)) {}

TrackDownload::~TrackDownload() {
    if (running_) close();
}

void TrackDownload::start() {
    if (!port_.open(request_.port, request_.settings)) {
        port_.close();
        tell(hooks_, openFailure(request_, hooks_));
        outcome_ = DownloadEnd::PortNotOpened;
        return;
    }
    running_ = true;
    port_.write(std::string(kTrackCommand));
    silence_.arm(kReplySilenceSeconds);
}

void TrackDownload::onPortEvent() {
    if (!running_) return;
    readPort();
    if (running_ && !port_.isOpen()) end(Reply::Outcome::PortLost);
}

void TrackDownload::readPort() {
    const std::string got = port_.readAll();
    if (got.empty()) return;
    const bool over = collector_.add(got);
    const auto bytes = static_cast<std::int64_t>(collector_.size());
    if (hooks_.showCaption)
        hooks_.showCaption("Kelvaron - Received " + std::to_string(bytes) + " bytes");
    if (hooks_.bytesReceived) hooks_.bytesReceived(bytes);
    if (over) {
        end(Reply::Outcome::Complete);
        return;
    }
    // The wait for the next line starts afresh with every line end.
    if (collector_.lineEnded()) silence_.arm(kReplySilenceSeconds);
}

void TrackDownload::onSilence() {
    if (running_) end(Reply::Outcome::Silent);
}

void TrackDownload::stop() {
    if (!running_) return;
    // What is waiting in the port's buffer has arrived as much as what was read.
    if (port_.isOpen()) readPort();
    if (running_) end(Reply::Outcome::Stopped);
}

void TrackDownload::close() {
    running_ = false;
    silence_.disarm();
    port_.close();
}

// The port is closed before the messages, so the receiver is free while the user reads.
void TrackDownload::end(Reply::Outcome how) {
    close();
    outcome_ = conclude(collector_.finish(how));
}

DownloadEnd TrackDownload::conclude(const Reply& reply) {
    const auto points = replyPoints(std::string_view(reply.text).substr(0, reply.end));
    if (reply.outcome != Reply::Outcome::Complete) {
        // Whatever complete lines arrived before the line went quiet are still a track.
        const std::string why = whyCutShort(reply, request_);
        if (points.empty() && reply.outcome == Reply::Outcome::Silent) {
            tell(hooks_, why + (reply.text.empty()
                                    ? "\r\nThe receiver did not answer: check that it is on, "
                                      "connected to this port and set to this speed."
                                    : "\r\nThe receiver talked but sent no track: it may not "
                                      "understand the track command, or it is in NMEA mode."));
            return DownloadEnd::NoAnswer;
        }
        if (points.empty()) {
            tell(hooks_, why + "\r\nNo track point had arrived.");
        } else if (savePoints(points, hooks_)) {
            tell(hooks_, why + "\r\nThe " + std::to_string(points.size()) +
                             " points received before were saved to " + request_.outputName + ".");
        } else {
            tell(hooks_, why);
        }
        return DownloadEnd::CutShort;
    }
    if (points.empty()) {
        tell(hooks_, "No track data found!");
        return DownloadEnd::NoTrack;
    }
    return savePoints(points, hooks_) ? DownloadEnd::Done : DownloadEnd::OutputFailed;
}

}  // namespace magellan
