#include "magellan/reply.h"

#include "magellan/sentence.h"

namespace magellan {

namespace {

// Only the tail of the old text can hold the start of an end sentence that the
// new bytes complete, so the search need not cover the whole reply every time.
std::size_t searchStart(std::size_t oldSize) {
    const std::size_t overlap = kEndSentence.size() - 1;
    return oldSize > overlap ? oldSize - overlap : 0;
}

}  // namespace

Reply receiveReply(seams::SerialPort& port, seams::EventPump& pump, const ReceiveHooks& hooks,
                   const seams::Clock* clock) {
    Reply reply;
    double lastLine = clock != nullptr ? clock->secondsElapsed() : 0;
    for (;;) {
        if (hooks.stopRequested && hooks.stopRequested()) {
            reply.outcome = Reply::Outcome::Stopped;
            break;
        }
        pump.processEvents(kPumpWaitMs);
        const std::string got = port.readAll();
        if (!got.empty()) {
            const std::size_t from = searchStart(reply.text.size());
            reply.text += got;
            if (hooks.showCaption)
                hooks.showCaption("Kelvaron - Received " + std::to_string(reply.text.size()) +
                                  " bytes");
            if (hooks.bytesReceived)
                hooks.bytesReceived(static_cast<std::int64_t>(reply.text.size()));
            const auto at = reply.text.find(kEndSentence, from);
            if (at != std::string::npos) {
                reply.end = at;
                return reply;
            }
            if (reply.text.size() > kMaxReplyBytes) {
                reply.outcome = Reply::Outcome::TooLong;
                break;
            }
            // Bytes without a line end (noise, a stuck line) do not keep the wait going.
            if (clock != nullptr && got.find('\n') != std::string::npos)
                lastLine = clock->secondsElapsed();
        }
        if (!port.isOpen()) {
            reply.outcome = Reply::Outcome::PortLost;
            break;
        }
        if (clock != nullptr && clock->secondsElapsed() - lastLine >= kReplySilenceSeconds) {
            reply.outcome = Reply::Outcome::Silent;
            break;
        }
    }
    reply.end = reply.text.size();
    return reply;
}

std::vector<ReplyPoint> replyPoints(std::string_view text) {
    std::vector<ReplyPoint> points;
    for (;;) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) return points;
        if (const auto p = parseReplyLine(text.substr(0, lf))) points.push_back(*p);
        text.remove_prefix(lf + 1);
    }
}

}  // namespace magellan
