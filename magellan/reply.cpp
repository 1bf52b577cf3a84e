#include "magellan/reply.h"

#include <utility>

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

bool ReplyCollector::add(const std::string& got) {
    if (over_ || got.empty()) return over_;
    const std::size_t from = searchStart(reply_.text.size());
    reply_.text += got;
    lineEnded_ = got.find('\n') != std::string::npos;
    const auto at = reply_.text.find(kEndSentence, from);
    if (at != std::string::npos) {
        reply_.outcome = Reply::Outcome::Complete;
        reply_.end = at;
        over_ = true;
    } else if (reply_.text.size() > kMaxReplyBytes) {
        reply_.outcome = Reply::Outcome::TooLong;
        reply_.end = reply_.text.size();
        over_ = true;
    }
    return over_;
}

Reply ReplyCollector::finish(Reply::Outcome outcome) {
    if (!over_) {
        reply_.outcome = outcome;
        reply_.end = reply_.text.size();
        over_ = true;
    }
    return std::move(reply_);
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
