#include "magellan/reply.h"

#include "magellan/sentence.h"

namespace magellan {

namespace {

// Only the tail of the old text can hold the start of an end sentence that the
// new bytes complete, so the search need not cover the whole reply every time.
std::size_t Search_Start(std::size_t oldSize) {
    const std::size_t overlap = kEndSentence.size() - 1;
    return oldSize > overlap ? oldSize - overlap : 0;
}

}  // namespace

Reply Receive_Reply(seams::SerialPort& port, seams::EventPump& pump, const Receive_Hooks& hooks) {
    Reply reply;
    for (;;) {
        if (hooks.Stop_Requested && hooks.Stop_Requested()) {
            reply.outcome = Reply::Outcome::Stopped;
            break;
        }
        pump.processEvents(kPumpWaitMs);
        const std::string got = port.readAll();
        if (!got.empty()) {
            const std::size_t from = Search_Start(reply.text.size());
            reply.text += got;
            if (hooks.Show_Caption)
                hooks.Show_Caption("Kelvaron - Received " + std::to_string(reply.text.size()) +
                                   " bytes");
            const auto at = reply.text.find(kEndSentence, from);
            if (at != std::string::npos) {
                reply.end = at;
                return reply;
            }
            if (reply.text.size() > kMaxReplyBytes) {
                reply.outcome = Reply::Outcome::Too_Long;
                break;
            }
        }
        if (!port.isOpen()) {
            reply.outcome = Reply::Outcome::Port_Lost;
            break;
        }
    }
    reply.end = reply.text.size();
    return reply;
}

std::vector<Reply_Point> Reply_Points(std::string_view text) {
    std::vector<Reply_Point> points;
    for (;;) {
        const auto lf = text.find('\n');
        if (lf == std::string_view::npos) return points;
        if (const auto p = Parse_Reply_Line(text.substr(0, lf))) points.push_back(*p);
        text.remove_prefix(lf + 1);
    }
}

}  // namespace magellan
